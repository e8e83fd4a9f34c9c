#include "model/geo.h"
