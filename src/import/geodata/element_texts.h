#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>

#include "model/compact_string.h"
#include "model/geo.h"
#include "model/tavi_element.h"

namespace tavi {

// Every text an element can hold, each under the attribute name that export writes it with. The
// first names of each list are also what import reads it from (compared without regard to case),
// so that an exported file converts back to the same elements; the further names are the usual
// attribute names of the formats (GPX "desc" and "cmt", OSM "phone", ...).
struct SElementText {
  static constexpr std::size_t kMaxNames = 5;
  std::array<const char*, kMaxNames> names;  // the export name first; unused entries null
  // The field in element; null when the record that would hold it is missing and create is false.
  CCompactString* (*field)(CTaviElement& element, bool create);
};

inline constexpr std::size_t kElementTextCount = 28;
extern const std::array<SElementText, kElementTextCount> kElementTexts;

// Positions of the texts in kElementTexts that import treats on their own.
inline constexpr std::size_t kNameText = 0;
inline constexpr std::size_t kAddressText = 1;
inline constexpr std::size_t kText1 = 6;
inline constexpr std::size_t kText2 = 7;

// One POI's texts as UTF-8, by their place in kElementTexts.
using SElementTexts = std::array<std::string, kElementTextCount>;

// The one place where the geodata importer makes elements: a name, a position and the texts
// that are not empty.
std::unique_ptr<CTaviElement> BuildElement(GeoPoint position, const SElementTexts& texts);

}  // namespace tavi
