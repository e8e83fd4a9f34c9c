#pragma once

#include <cstdint>
#include <vector>

#include "platform/wide_string.h"

namespace tavi::test {

// Builds ".gep" files for tests and for the bundled example: a header, then rectangle records
// holding POI records, all integers little-endian.
inline constexpr std::uint8_t kGepDeletedPoi = 0;
inline constexpr std::uint8_t kGepPoi = 3;
// Both coordinates of a POI whose position is not known.
inline constexpr std::int32_t kGepNoPosition = -999999999;

struct GepPoi {
  std::int32_t x = 0;
  std::int32_t y = 0;
  WString name;
  std::uint8_t type = kGepPoi;
};

using Bytes = std::vector<std::uint8_t>;

// Counted fields "GEP" and "1.0", seven zero bytes, the counted field "POI": 19 bytes.
Bytes GepHeader();
// Type, size, x, y, then the name as UTF-16 with its terminating zero unit.
Bytes PoiRecord(const GepPoi& poi);
// Type 1, size (21 + content), east, north, west, south, then the content.
Bytes RectRecord(std::int32_t east, std::int32_t north, std::int32_t west, std::int32_t south,
                 const Bytes& content);
// A whole file: the header, then one rectangle per group whose bounds are those of its POIs that
// have a position.
Bytes BuildGep(const std::vector<std::vector<GepPoi>>& groups);
// The bytes of examples/alpine-passes.gep: two rectangles of mountain passes, one of them with a
// deleted record and a POI without position.
Bytes BuildExampleGep();

}  // namespace tavi::test
