#include "platform/convertor_messages.h"
