#include "gep_builder.h"

#include <algorithm>

namespace tavi::test {

namespace {

void AppendInt32(Bytes& bytes, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) {
    bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
}

}  // namespace

Bytes GepHeader() {
  return {3, 'G', 'E', 'P', 3, '1', '.', '0', 0, 0, 0, 0, 0, 0, 0, 3, 'P', 'O', 'I'};
}

Bytes PoiRecord(const GepPoi& poi) {
  Bytes bytes{poi.type};
  AppendInt32(bytes, 13 + 2 * static_cast<std::int32_t>(poi.name.size() + 1));
  AppendInt32(bytes, poi.x);
  AppendInt32(bytes, poi.y);
  for (const WChar unit : poi.name) {
    bytes.insert(bytes.end(),
                 {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)});
  }
  bytes.insert(bytes.end(), 2, 0);
  return bytes;
}

Bytes RectRecord(std::int32_t east, std::int32_t north, std::int32_t west, std::int32_t south,
                 const Bytes& content) {
  Bytes bytes{1};
  for (const std::int32_t value :
       {21 + static_cast<std::int32_t>(content.size()), east, north, west, south}) {
    AppendInt32(bytes, value);
  }
  bytes.insert(bytes.end(), content.begin(), content.end());
  return bytes;
}

Bytes BuildGep(const std::vector<std::vector<GepPoi>>& groups) {
  Bytes file = GepHeader();
  for (const std::vector<GepPoi>& pois : groups) {
    Bytes content;
    std::vector<GepPoi> placed;
    for (const GepPoi& poi : pois) {
      const Bytes record = PoiRecord(poi);
      content.insert(content.end(), record.begin(), record.end());
      if (poi.x != kGepNoPosition || poi.y != kGepNoPosition) placed.push_back(poi);
    }
    const auto [west, east] = std::minmax_element(
        placed.begin(), placed.end(), [](const GepPoi& a, const GepPoi& b) { return a.x < b.x; });
    const auto [south, north] = std::minmax_element(
        placed.begin(), placed.end(), [](const GepPoi& a, const GepPoi& b) { return a.y < b.y; });
    const Bytes rect = placed.empty() ? RectRecord(0, 0, 0, 0, content)
                                      : RectRecord(east->x, north->y, west->x, south->y, content);
    file.insert(file.end(), rect.begin(), rect.end());
  }
  return file;
}

Bytes BuildExampleGep() {
  const std::vector<GepPoi> swissPasses{
      {833750, 4656111, u"Grimselpass"},
      {841528, 4657278, u"Furkapass"},
      {844722, 4672972, u"Sustenpass"},
      {856806, 4655861, u"Gotthardpass"},
      {885472, 4686889, u"Klausenpass (deleted record)", kGepDeletedPoi},
      {838694, 4647778, u"Nufenenpass"},
      {867167, 4665917, u"Oberalppass"},
      {kGepNoPosition, kGepNoPosition, u"Julierpass (position unknown)"},
  };
  const std::vector<GepPoi> otherPasses{
      {717056, 4586889, u"Col du Grand-Saint-Bernard"},
      {1045278, 4652861, u"Passo dello Stelvio"},
      {1284222, 4708250, u"Hochtor, Gro\u00DFglockner-Hochalpenstra\u00DFe"},
      {1150722, 4700222, u"Brennerpass"},
      {703083, 4541694, u"Col de l'Is\u00E9ran"},
  };
  return BuildGep({swissPasses, otherPasses});
}

}  // namespace tavi::test
