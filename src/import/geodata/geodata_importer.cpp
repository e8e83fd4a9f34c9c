#include "import/geodata/geodata_importer.h"

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <array>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "import/bounds.h"
#include "import/geodata/element_texts.h"
#include "import/geodata/feature_position.h"
#include "import/geodata/gdal_support.h"
#include "import/geodata/layer_fields.h"
#include "import/geodata/osm_config.h"
#include "import/path_parts.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"

namespace tavi {

namespace {

constexpr double kReadingPercentEnd = 30.0;
constexpr std::uint64_t kFeaturesPerProgress = 4096;

// The drivers that may open a file of each ending, so that GDAL does not try every format it
// knows on a file that claims to be one of ours.
struct SDrivers {
  WStringView ending;
  std::array<const char*, 5> names;  // null-terminated
  bool osm = false;
};

constexpr std::array<SDrivers, 10> kDrivers{{
    {u".gpx", {"GPX"}},
    {u".kml", {"LIBKML", "KML"}},
    {u".kmz", {"LIBKML"}},
    {u".geojson", {"GeoJSON", "GeoJSONSeq", "ESRIJSON", "TopoJSON"}},
    {u".json", {"GeoJSON", "GeoJSONSeq", "ESRIJSON", "TopoJSON"}},
    {u".gpkg", {"GPKG"}},
    {u".shp", {"ESRI Shapefile"}},
    {u".fgb", {"FlatGeobuf"}},
    {u".osm", {"OSM"}, true},
    {u".pbf", {"OSM"}, true},
}};

GDALDatasetUniquePtr OpenDataset(const WString& path) {
  const SDrivers* drivers = nullptr;
  for (const SDrivers& candidate : kDrivers) {
    if (WStringView(path).ends_with(candidate.ending)) drivers = &candidate;
  }
  const std::string osmConfig = std::string("CONFIG_FILE=") + kOsmConfigPath;
  const char* const osmOptions[] = {osmConfig.c_str(), nullptr};
  return GDALDatasetUniquePtr(GDALDataset::Open(
      WideToUtf8(path).c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY | GDAL_OF_VERBOSE_ERROR,
      drivers != nullptr ? drivers->names.data() : nullptr,
      drivers != nullptr && drivers->osm ? osmOptions : nullptr, nullptr));
}

bool IsDriver(GDALDataset& dataset, const char* name) {
  return dataset.GetDriver() != nullptr && EQUAL(dataset.GetDriver()->GetDescription(), name);
}

// What the reader keeps about one layer while its features arrive.
struct SLayerState {
  explicit SLayerState(OGRLayer& layer, bool osm)
      : name(Utf8ToWide(layer.GetName())),
        fields(*layer.GetLayerDefn()),
        positions(layer.GetSpatialRef()) {
    if (osm) filter.emplace(*layer.GetLayerDefn());
  }

  WString name;
  CLayerFields fields;
  CPositionReader positions;
  std::optional<COsmPoiFilter> filter;
  std::uint64_t features = 0;  // read so far; numbers them from 1 in "Bad data" lines
};

class CGeodataReader {
 public:
  CGeodataReader(const WString& path, GDALDataset& dataset)
      : m_path(path), m_dataset(dataset), m_osm(IsDriver(dataset, "OSM")) {}

  void ReadAll();
  ElementArray& Elements() { return m_elements; }
  const BoundingRect& Bounds() const { return m_bounds; }
  std::uint64_t LeftOut() const { return m_leftOut; }

 private:
  void ReadInterleaved();
  // Reads one layer; layersBefore of layerCount layers are done (for the progress).
  std::uint64_t ReadLayer(OGRLayer& layer, int layersBefore, int layerCount);
  SLayerState& StateOf(OGRLayer& layer);
  void ReadFeature(SLayerState& layer, const OGRFeature& feature);
  // One line; the count of features left out grows by features.
  void ReportBad(const SLayerState& layer, const std::string& reason, std::uint64_t features = 1);

  const WString& m_path;
  GDALDataset& m_dataset;
  const bool m_osm;
  std::unordered_map<const OGRLayer*, std::unique_ptr<SLayerState>> m_layers;
  SElementTexts m_texts;
  ElementArray m_elements;
  BoundingRect m_bounds;
  std::uint64_t m_leftOut = 0;
};

void CGeodataReader::ReadAll() {
  if (m_osm) {
    ReadInterleaved();
    return;
  }
  // A GPX file's tracks are a way travelled, not places; its route points stand in for missing
  // waypoints.
  if (IsDriver(m_dataset, "GPX")) {
    OGRLayer* waypoints = m_dataset.GetLayerByName("waypoints");
    OGRLayer* routePoints = m_dataset.GetLayerByName("route_points");
    if ((waypoints == nullptr || ReadLayer(*waypoints, 0, 2) == 0) && routePoints != nullptr) {
      ReadLayer(*routePoints, 1, 2);
    }
    return;
  }
  const int count = m_dataset.GetLayerCount();
  for (int i = 0; i < count; ++i) ReadLayer(*m_dataset.GetLayer(i), i, count);
}

// OSM data comes as nodes, then ways, then relations, each layer filled on the way; only reading
// the layers in step avoids holding the whole file in temporary storage.
void CGeodataReader::ReadInterleaved() {
  m_dataset.ExecuteSQL(kOsmInterestLayers, nullptr, nullptr);
  std::uint64_t read = 0;
  for (;;) {
    OGRLayer* layer = nullptr;
    double progress = 0;
    const OGRFeatureUniquePtr feature(
        m_dataset.GetNextFeature(&layer, &progress, nullptr, nullptr));
    if (!feature || layer == nullptr) break;
    ReadFeature(StateOf(*layer), *feature);
    if (++read % kFeaturesPerProgress == 0) {
      PostProgress(static_cast<std::int32_t>(kReadingPercentEnd * progress));
    }
  }
}

std::uint64_t CGeodataReader::ReadLayer(OGRLayer& layer, int layersBefore, int layerCount) {
  SLayerState& state = StateOf(layer);
  if (!state.positions.Problem().empty()) {
    const GIntBig features = layer.GetFeatureCount(TRUE);
    ReportBad(state, state.positions.Problem(),
              features > 0 ? static_cast<std::uint64_t>(features) : 1);
    return 0;
  }
  const GIntBig known = layer.GetFeatureCount(FALSE);
  layer.ResetReading();
  for (OGRFeatureUniquePtr feature(layer.GetNextFeature()); feature;
       feature.reset(layer.GetNextFeature())) {
    ReadFeature(state, *feature);
    if (known > 0 && state.features % kFeaturesPerProgress == 0) {
      const double inLayer = static_cast<double>(state.features) / static_cast<double>(known);
      PostProgress(
          static_cast<std::int32_t>(kReadingPercentEnd * (layersBefore + inLayer) / layerCount));
    }
  }
  PostProgress(static_cast<std::int32_t>(kReadingPercentEnd * (layersBefore + 1) / layerCount));
  return state.features;
}

SLayerState& CGeodataReader::StateOf(OGRLayer& layer) {
  std::unique_ptr<SLayerState>& state = m_layers[&layer];
  if (!state) state = std::make_unique<SLayerState>(layer, m_osm);
  return *state;
}

void CGeodataReader::ReadFeature(SLayerState& layer, const OGRFeature& feature) {
  ++layer.features;
  std::string kind;
  if (layer.filter) {
    kind = layer.filter->KindOf(feature);
    if (kind.empty()) return;
  }
  layer.fields.Read(feature, m_texts);
  if (m_texts[kNameText].empty()) {
    ReportBad(layer, "the name is empty");
    return;
  }
  const SFeaturePosition position = layer.positions.Read(feature.GetGeometryRef());
  if (!position.problem.empty()) {
    ReportBad(layer, position.problem);
    return;
  }
  if (m_texts[kText2].empty()) m_texts[kText2] = std::move(kind);
  m_elements.push_back(BuildElement(position.point, m_texts));
  IncludePoint(m_bounds, position.point);
}

void CGeodataReader::ReportBad(const SLayerState& layer, const std::string& reason,
                               std::uint64_t features) {
  m_leftOut += features;
  WString where = u"layer " + layer.name;
  if (layer.features > 0) where += u", feature " + Utf8ToWide(std::to_string(layer.features));
  PostLogLine(u"Bad data - " + m_path + u" (" + where + u": " + Utf8ToWide(reason) + u")");
}

}  // namespace

std::int32_t ImportGdalFile(const WString& path, const SaveTaviFileFunction& saveTaviFile,
                            SFileResult& result) {
  PostProgress(0);
  PostLogLine(u"\r\n");
  PostLogLine(u"Importing geodata - " + path);
  EnsureGdalReady();

  CGdalErrorTrap errors;
  GDALDatasetUniquePtr dataset = OpenDataset(path);
  if (!dataset) {
    PostLogLine(u"Failed to open - " + path + ReasonSuffix(errors.Failure()));
    return -1;
  }
  errors.Clear();
  CGeodataReader reader(path, *dataset);
  reader.ReadAll();
  result.linesLeftOut += static_cast<std::int64_t>(reader.LeftOut());
  // GDAL stops a layer at the first error it cannot step over; what came before is not the file.
  if (errors.Failed()) {
    PostLogLine(u"Failed to read - " + path + ReasonSuffix(errors.Failure()));
    return -1;
  }
  dataset.reset();

  if (reader.Elements().empty()) {
    PostLogLine(u"Nothing to import - " + path);
    return 0;
  }
  const std::int32_t saved = saveTaviFile(reader.Bounds(), GetFolderPart(path),
                                          std::move(reader.Elements()), GetTitlePart(path));
  PostProgress(kProgressMaximum);
  return saved;
}

}  // namespace tavi
