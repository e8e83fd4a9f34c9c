#pragma once

#include <array>
#include <string>

class OGRFeature;
class OGRFeatureDefn;

namespace tavi {

// GDAL's OSM driver turns only the tags its configuration names into fields. This program's
// configuration asks for the tags that make a node or an area a point of interest and those that
// fill its texts; it lives in GDAL's in-memory file system under this path.
inline constexpr char kOsmConfigPath[] = "/vsimem/tavi-convertor/osmconf.ini";
// The layers that hold nodes and areas; lines and relations are never read.
inline constexpr char kOsmInterestLayers[] = "SET interest_layers = points,multipolygons";

void InstallOsmConfig();
void RemoveOsmConfig();

// Decides which OSM features are points of interest: those with a name and a tag of kind
// (amenity, shop, tourism, ...), railway=station, any public_transport or aeroway=aerodrome.
class COsmPoiFilter {
 public:
  explicit COsmPoiFilter(const OGRFeatureDefn& fields);

  // Empty when the feature is no point of interest; else its kind as "key=value".
  std::string KindOf(const OGRFeature& feature) const;

 private:
  struct SKindTag {
    const char* key;
    const char* value;  // null: any value
    int field;
  };
  static constexpr std::size_t kKindTagCount = 12;
  std::array<SKindTag, kKindTagCount> m_tags;
  int m_name = -1;
};

}  // namespace tavi
