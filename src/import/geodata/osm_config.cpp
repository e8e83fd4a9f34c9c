#include "import/geodata/osm_config.h"

#include <cpl_vsi.h>
#include <ogr_feature.h>

#include <cstring>

namespace tavi {

namespace {

// The driver's configuration file. Keys keep their colons ("addr:street"), so that the field
// names are the tags as mappers write them; a closed way with one of the kind keys is an area.
// Lines and relations are never read, but the driver expects their sections.
constexpr char kOsmConfig[] = R"(attribute_name_laundering=no
closed_ways_are_polygons=aeroway,amenity,building,craft,emergency,healthcare,historic,leisure,office,public_transport,railway,shop,tourism
[points]
osm_id=no
osm_version=no
osm_timestamp=no
osm_uid=no
osm_user=no
osm_changeset=no
other_tags=no
attributes=name,amenity,shop,tourism,leisure,historic,office,craft,emergency,healthcare,railway,public_transport,aeroway,addr:street,addr:housenumber,addr:postcode,addr:city,phone,contact:phone,website,contact:website,opening_hours
[lines]
osm_id=no
osm_version=no
osm_timestamp=no
osm_uid=no
osm_user=no
osm_changeset=no
other_tags=no
attributes=name
[multipolygons]
osm_id=no
osm_version=no
osm_timestamp=no
osm_uid=no
osm_user=no
osm_changeset=no
other_tags=no
attributes=name,amenity,shop,tourism,leisure,historic,office,craft,emergency,healthcare,railway,public_transport,aeroway,addr:street,addr:housenumber,addr:postcode,addr:city,phone,contact:phone,website,contact:website,opening_hours
[multilinestrings]
osm_id=no
osm_version=no
osm_timestamp=no
osm_uid=no
osm_user=no
osm_changeset=no
other_tags=no
attributes=name
[other_relations]
osm_id=no
osm_version=no
osm_timestamp=no
osm_uid=no
osm_user=no
osm_changeset=no
other_tags=no
attributes=name
)";

}  // namespace

void InstallOsmConfig() {
  // GDAL reads the text in place; it is never written or freed.
  VSILFILE* file =
      VSIFileFromMemBuffer(kOsmConfigPath, reinterpret_cast<GByte*>(const_cast<char*>(kOsmConfig)),
                           sizeof(kOsmConfig) - 1, FALSE);
  if (file != nullptr) VSIFCloseL(file);
}

void RemoveOsmConfig() {
  VSIUnlink(kOsmConfigPath);
}

COsmPoiFilter::COsmPoiFilter(const OGRFeatureDefn& fields)
    : m_tags{{{"amenity", nullptr, -1},
              {"shop", nullptr, -1},
              {"tourism", nullptr, -1},
              {"leisure", nullptr, -1},
              {"historic", nullptr, -1},
              {"office", nullptr, -1},
              {"craft", nullptr, -1},
              {"emergency", nullptr, -1},
              {"healthcare", nullptr, -1},
              {"railway", "station", -1},
              {"public_transport", nullptr, -1},
              {"aeroway", "aerodrome", -1}}},
      m_name(fields.GetFieldIndex("name")) {
  for (SKindTag& tag : m_tags) tag.field = fields.GetFieldIndex(tag.key);
}

std::string COsmPoiFilter::KindOf(const OGRFeature& feature) const {
  if (m_name < 0 || !feature.IsFieldSetAndNotNull(m_name) ||
      *feature.GetFieldAsString(m_name) == 0) {
    return {};
  }
  for (const SKindTag& tag : m_tags) {
    if (tag.field < 0 || !feature.IsFieldSetAndNotNull(tag.field)) continue;
    const char* value = feature.GetFieldAsString(tag.field);
    if (*value == '\0' || (tag.value != nullptr && std::strcmp(value, tag.value) != 0)) continue;
    return std::string(tag.key) + "=" + value;
  }
  return {};
}

}  // namespace tavi
