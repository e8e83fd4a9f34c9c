#pragma once

#include <array>
#include <vector>

#include "import/geodata/element_texts.h"

class OGRFeature;
class OGRFeatureDefn;

namespace tavi {

// Where the texts of one layer's features come from: for each element text, the layer's fields
// that carry one of its names, in the order of the names. A GPX file keeps attributes it has no
// element for as extensions, which GDAL names "ogr_" + name; those count as the name.
class CLayerFields {
 public:
  explicit CLayerFields(const OGRFeatureDefn& fields);

  // Each text from the first of its fields that is set and not empty. Without an address field,
  // the address is made of OSM's parts: "street housenumber, postcode city".
  void Read(const OGRFeature& feature, SElementTexts& texts) const;

 private:
  std::array<std::vector<int>, kElementTextCount> m_sources;
  std::array<int, 4> m_addressParts{};  // addr:street, addr:housenumber, addr:postcode, addr:city
};

}  // namespace tavi
