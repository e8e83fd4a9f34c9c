#pragma once

#include "gep_builder.h"

namespace tavi::test {

// The bytes of examples/alpine-passes.gep: two rectangles of mountain passes, one of them with a
// deleted record and a POI without position.
Bytes BuildExampleGep();

}  // namespace tavi::test
