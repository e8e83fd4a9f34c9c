#include "import/csv_columns.h"

#include <initializer_list>

#include "text/number_field.h"

namespace tavi {

namespace {

WChar FoldCase(WChar c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<WChar>(c - u'A' + u'a') : c;
}

bool NamedAs(WStringView field, std::initializer_list<WStringView> names) {
  const WStringView text = TrimBlanks(field);
  for (const WStringView name : names) {
    if (text.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < name.size() && same; ++i) same = FoldCase(text[i]) == name[i];
    if (same) return true;
  }
  return false;
}

std::size_t FindColumn(const CCsvFields& header, std::initializer_list<WStringView> names) {
  for (std::size_t i = 0; i < header.Count(); ++i) {
    if (NamedAs(header.At(i), names)) return i;
  }
  return SCsvColumns::kNone;
}

}  // namespace

std::optional<SCsvColumns> ColumnsFromHeader(const CCsvFields& header) {
  SCsvColumns columns;
  columns.latitude = FindColumn(header, {u"lat", u"latitude", u"y"});
  columns.longitude = FindColumn(header, {u"lon", u"lng", u"long", u"longitude", u"x"});
  if (columns.latitude == SCsvColumns::kNone || columns.longitude == SCsvColumns::kNone) {
    return std::nullopt;
  }
  const auto isCoordinate = [&](std::size_t i) {
    return i == columns.latitude || i == columns.longitude;
  };
  columns.name = FindColumn(header, {u"name", u"title", u"label"});
  for (std::size_t i = 0; i < header.Count() && columns.name == SCsvColumns::kNone; ++i) {
    if (!isCoordinate(i)) columns.name = i;
  }
  columns.texts.fill(SCsvColumns::kNone);
  std::size_t text = 0;
  for (std::size_t i = 0; i < header.Count() && text < SCsvColumns::kTextCount; ++i) {
    if (!isCoordinate(i) && i != columns.name) columns.texts[text++] = i;
  }
  return columns;
}

}  // namespace tavi
