#pragma once

#include <array>
#include <cstddef>
#include <limits>
#include <optional>

#include "import/csv_fields.h"

namespace tavi {

// Which column of a data line holds what. Without a header naming them, the columns keep their
// places: longitude, latitude, name, then the seven further texts (address, extra2, extra3,
// extra5, extra4, text1, text2).
struct SCsvColumns {
  static constexpr std::size_t kTextCount = 7;
  static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  std::size_t longitude = 0;
  std::size_t latitude = 1;
  std::size_t name = 2;
  std::array<std::size_t, kTextCount> texts{3, 4, 5, 6, 7, 8, 9};
};

// The columns a header row names, by name (trimmed, in any case): latitude "lat", "latitude",
// "y"; longitude "lon", "lng", "long", "longitude", "x"; name "name", "title", "label". The first
// of each counts. Without a name column the first column that is neither coordinate is the name;
// the other columns fill the texts in their order. None when the header does not name both
// coordinates.
std::optional<SCsvColumns> ColumnsFromHeader(const CCsvFields& header);

}  // namespace tavi
