#include "import/geodata/layer_fields.h"

#include <ogr_feature.h>

#include <algorithm>
#include <string>

namespace tavi {

namespace {

int FindField(const OGRFeatureDefn& fields, const char* name) {
  const int index = fields.GetFieldIndex(name);
  return index >= 0 ? index : fields.GetFieldIndex(("ogr_" + std::string(name)).c_str());
}

const char* TextOf(const OGRFeature& feature, int field) {
  if (field < 0 || !feature.IsFieldSetAndNotNull(field)) return "";
  return feature.GetFieldAsString(field);
}

// Appends part after separator, leaving the separator out when either side is empty.
void Join(std::string& text, const char* separator, const std::string& part) {
  if (part.empty()) return;
  if (!text.empty()) text += separator;
  text += part;
}

}  // namespace

CLayerFields::CLayerFields(const OGRFeatureDefn& fields) {
  for (std::size_t i = 0; i < kElementTextCount; ++i) {
    for (const char* name : kElementTexts[i].names) {
      if (name == nullptr) break;
      const int field = FindField(fields, name);
      std::vector<int>& sources = m_sources[i];
      // Names differing only in case find the same field.
      if (field >= 0 && std::find(sources.begin(), sources.end(), field) == sources.end()) {
        sources.push_back(field);
      }
    }
  }
  const char* parts[] = {"addr:street", "addr:housenumber", "addr:postcode", "addr:city"};
  for (std::size_t i = 0; i < m_addressParts.size(); ++i) {
    m_addressParts[i] = fields.GetFieldIndex(parts[i]);
  }
}

void CLayerFields::Read(const OGRFeature& feature, SElementTexts& texts) const {
  for (std::size_t i = 0; i < kElementTextCount; ++i) {
    texts[i].clear();
    for (const int field : m_sources[i]) {
      const char* text = TextOf(feature, field);
      if (*text == '\0') continue;
      texts[i] = text;
      break;
    }
  }
  if (!texts[kAddressText].empty()) return;
  std::string street = TextOf(feature, m_addressParts[0]);
  Join(street, " ", TextOf(feature, m_addressParts[1]));
  std::string place = TextOf(feature, m_addressParts[2]);
  Join(place, " ", TextOf(feature, m_addressParts[3]));
  Join(street, ", ", place);
  texts[kAddressText] = std::move(street);
}

}  // namespace tavi
