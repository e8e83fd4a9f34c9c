#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cstdlib>

#include "import/geodata/gdal_support.h"
#include "import/geodata/geodata_importer.h"
#include "platform/path.h"
#include "support/test_support.h"

// What each format gives is in the command-line case cli/data/geodata; these are the parts a case
// cannot show: files in a projected system, made through GDAL itself, and every cut of a file.
namespace tavi {
namespace {

namespace fs = std::filesystem;

struct SImported {
  std::int32_t status = 0;
  std::vector<GeoPoint> positions;
  std::vector<std::int32_t> percents;
};

fs::path CaseFile(const char* name) {
  const char* source = std::getenv("TAVI_SOURCE_DIR");
  return fs::path(source != nullptr ? source : ".") / "tests/cli/data/geodata/in" / name;
}

SImported Import(const fs::path& path) {
  const test::CRecordingWindow window;
  SImported imported;
  SFileResult result;
  imported.status = ImportGdalFile(
      FromNativePath(path),
      [&imported](const BoundingRect&, const WString&, CElementArena&& elements, const WString&) {
        CElementArena::SCursor cursor;
        CElementArena::Ref ref = 0;
        while (elements.Next(cursor, ref))
          imported.positions.push_back(elements.View(ref).Position());
        return 1;
      },
      result);
  imported.percents = window.percents;
  return imported;
}

// 10 degrees east, 45 north in web mercator metres: x = R * pi / 18, y = R * ln(tan(67.5 deg)).
TEST(GeodataImport, ProjectedLayersArriveInWgs84) {
  EnsureGdalReady();
  const test::TempFolder folder;
  for (const char* driverName : {"ESRI Shapefile", "GPKG"}) {
    const fs::path path = folder.Path() / (driverName[0] == 'E' ? "mercator.shp" : "mercator.gpkg");
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
    {
      const GDALDatasetUniquePtr dataset(
          driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
      OGRSpatialReference mercator;
      mercator.importFromEPSG(3857);
      OGRLayer* layer = dataset->CreateLayer("projected", &mercator, wkbPoint, nullptr);
      OGRFieldDefn field("NAME", OFTString);
      layer->CreateField(&field);
      OGRFeature feature(layer->GetLayerDefn());
      feature.SetField(0, "Ten East");
      const OGRPoint point(1113194.908, 5621521.486);
      feature.SetGeometry(&point);
      ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
    }
    const SImported imported = Import(path);
    EXPECT_EQ(imported.status, 1) << driverName;
    EXPECT_EQ(imported.positions, (std::vector<GeoPoint>{{1000000, 4500000}})) << driverName;
  }
}

// Reading moves the bar forward to 30%, where saving takes over, also when a GPX file's points
// are in its second layer, the route points.
TEST(GeodataImport, ReadingEndsWhereSavingStarts) {
  for (const char* name : {"route.gpx", "paris.kml"}) {
    const std::vector<std::int32_t> percents = Import(CaseFile(name)).percents;
    ASSERT_GE(percents.size(), 2u) << name;
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << name;
    EXPECT_EQ(percents[percents.size() - 2], 30) << name;
    EXPECT_EQ(percents.back(), 100) << name;
  }
}

// Run in the sanitizer build: every cut of a file is refused or gives the first POIs of the whole.
// The OSM driver takes some 40 ms a file, so its file is the smallest that holds a POI.
TEST(GeodataImport, EveryPrefixGivesTheFirstPoisOrNone) {
  const test::TempFolder folder;
  folder.Write("shop.osm", R"(<osm><node id="1" lat="1" lon="2"><tag k="name" v="A"/>)"
                           R"(<tag k="shop" v="b"/></node></osm>)");
  for (const fs::path& file : {CaseFile("cafe.gpx"), CaseFile("my.pois.geojson"),
                               CaseFile("paris.kml"), folder.Path() / "shop.osm"}) {
    const test::Bytes bytes = test::ReadBytes(file);
    const std::string name = file.filename().string();
    const fs::path cut = folder.Path() / ("cut-" + name);
    test::WriteBytes(cut, bytes);
    const std::vector<GeoPoint> whole = Import(cut).positions;
    ASSERT_FALSE(whole.empty()) << name;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      test::WriteBytes(cut, test::Bytes(bytes.begin(), bytes.begin() + size));
      const SImported imported = Import(cut);
      EXPECT_LE(imported.status, 1) << name << " cut at " << size;
      ASSERT_LE(imported.positions.size(), whole.size()) << name << " cut at " << size;
      EXPECT_TRUE(std::equal(imported.positions.begin(), imported.positions.end(), whole.begin()))
          << name << " cut at " << size;
    }
  }
}

}  // namespace
}  // namespace tavi
