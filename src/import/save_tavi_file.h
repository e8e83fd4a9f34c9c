#pragma once

#include <cstdint>
#include <functional>

#include "model/element_arena.h"
#include "model/geo.h"
#include "platform/wide_string.h"

namespace tavi {

// The output step: writes folder/title.tavi over the bounding rectangle with the elements, which
// belong to it from the call on. It lives above the importers, so they receive it as a parameter.
// An importer that builds element objects hands their ElementArray, which becomes an arena on the
// way. Returns -1 when the output file cannot be created, otherwise the writer's result.
using SaveTaviFileFunction =
    std::function<std::int32_t(const BoundingRect& bounds, const WString& folder,
                               CElementArena&& elements, const WString& title)>;

}  // namespace tavi
