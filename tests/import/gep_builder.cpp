#include "gep_builder.h"

#include <algorithm>
#include <string_view>

namespace tavi::test {

namespace {

constexpr std::int32_t kPoiHeaderSize = 13;
constexpr std::int32_t kRectHeaderSize = 21;

void AppendCounted(Bytes& bytes, std::string_view text) {
  bytes.push_back(static_cast<std::uint8_t>(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

}  // namespace

void AppendInt32(Bytes& bytes, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) {
    bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
}

void Append(Bytes& bytes, const Bytes& more) {
  bytes.insert(bytes.end(), more.begin(), more.end());
}

Bytes GepHeader() {
  Bytes bytes;
  AppendCounted(bytes, "GEP");
  AppendCounted(bytes, "1.0");
  bytes.insert(bytes.end(), 7, 0);
  AppendCounted(bytes, "POI");
  return bytes;
}

Bytes PoiRecord(const GepPoi& poi) {
  Bytes bytes{poi.type};
  AppendInt32(bytes, kPoiHeaderSize + 2 * static_cast<std::int32_t>(poi.name.size() + 1));
  AppendInt32(bytes, poi.x);
  AppendInt32(bytes, poi.y);
  for (const WChar unit : poi.name) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.insert(bytes.end(), 2, 0);
  return bytes;
}

Bytes RectRecord(std::int32_t east, std::int32_t north, std::int32_t west, std::int32_t south,
                 const Bytes& content) {
  Bytes bytes{kGepRect};
  AppendInt32(bytes, kRectHeaderSize + static_cast<std::int32_t>(content.size()));
  AppendInt32(bytes, east);
  AppendInt32(bytes, north);
  AppendInt32(bytes, west);
  AppendInt32(bytes, south);
  Append(bytes, content);
  return bytes;
}

Bytes BuildGep(const std::vector<std::vector<GepPoi>>& groups) {
  Bytes file = GepHeader();
  for (const std::vector<GepPoi>& pois : groups) {
    Bytes content;
    std::vector<GepPoi> placed;
    for (const GepPoi& poi : pois) {
      Append(content, PoiRecord(poi));
      if (poi.x != kGepNoPosition || poi.y != kGepNoPosition) placed.push_back(poi);
    }
    const auto [west, east] = std::minmax_element(
        placed.begin(), placed.end(), [](const GepPoi& a, const GepPoi& b) { return a.x < b.x; });
    const auto [south, north] = std::minmax_element(
        placed.begin(), placed.end(), [](const GepPoi& a, const GepPoi& b) { return a.y < b.y; });
    Append(file, placed.empty() ? RectRecord(0, 0, 0, 0, content)
                                : RectRecord(east->x, north->y, west->x, south->y, content));
  }
  return file;
}

}  // namespace tavi::test
