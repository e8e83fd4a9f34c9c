#pragma once

#include <cstdint>

#include "model/geo.h"
#include "model/tavi_element.h"
#include "platform/wide_string.h"

namespace tavi {

// Writes the elements of one input file to folder + separator + title + ".tavi" and returns the
// writer's result (1 when the file holds at least one element, 0 otherwise), or -1 when the file
// could not be created or written. The elements belong to this call from its start.
// A write error (disk full, the folder gone) is logged as "Failed to write TAVI file - <path>"
// and the partial file is removed, so that no half-written file is left for a reader to trust.
std::int32_t SaveTaviFile(const BoundingRect& bounds, const WString& folder,
                          ElementArray&& elements, const WString& title);

}  // namespace tavi
