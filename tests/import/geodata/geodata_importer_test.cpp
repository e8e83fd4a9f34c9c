#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <fstream>

#include "geodata_test_support.h"
#include "import/geodata/gdal_support.h"
#include "support/test_support.h"

namespace tavi::test {
namespace {

namespace fs = std::filesystem;

fs::path Data(const char* name) {
  return fs::path(TAVI_GEODATA_TEST_DATA) / name;
}

TEST(GeodataImport, EachFormatGivesItsNamesPositionsAndTexts) {
  const struct {
    const char* file;
    std::vector<std::string> elements;
    std::vector<std::string> badData;
  } kCases[] = {
      // Waypoints only: the route and the track are not read. GPX desc is the address.
      {"pois.gpx",
       {"Café Central 1636546 4821042 | addr1=Herrengasse 14 | extra3=https://cafecentral.wien | "
        "text1=Since 1876 | text2=Cafe"},
       {"layer waypoints, feature 2: latitude 95 is outside -90..90",
        "layer waypoints, feature 3: the name is empty"}},
      {"route.gpx", {"Start 975000 4750000", "End 1000000 4725000"}, {}},
      // A line stands by its point on surface: its one inner vertex.
      {"pois.kml",
       {"Tour Eiffel 229448 4885837 | addr1=Champ de Mars | extra2=+33 892 70 12 39",
        "Walk 1650000 4850000"},
       {"layer Paris, feature 3: the name is empty"}},
      // 16.3654569 is rounded to the nearest unit, not cut; a square stands by its centre.
      {"pois.geojson",
       {"Prater 1636546 4820000 | extra2=+43 1 7280516 | extra3=https://prater.at | extra5=five | "
        "extra4=four | text1=always",
        "Square 100000 100000"},
       {"layer pois, feature 3: a Multi Point geometry is not a point, line or polygon",
        "layer pois, feature 4: no geometry",
        "layer pois, feature 5: longitude 200 is outside -180..180"}},
      // Only named nodes and areas of a kind; the bench, the tree, the signal and the street are
      // no points of interest, and nothing is reported about them.
      {"tiny.osm",
       {"Café Central 1636540 4821040 | addr1=Herrengasse 14, 1010 Wien | extra2=+43 1 5333764 | "
        "text1=Mo-Sa 08:00-21:00 | text2=amenity=cafe",
        "Wien Hbf 1610000 4810000 | text2=railway=station",
        "Town Museum 1600100 4800100 | text2=tourism=museum"},
       {}},
  };
  for (const auto& c : kCases) {
    const SGeodataImport imported = ImportGeodata(Data(c.file));
    EXPECT_EQ(imported.result, 1) << c.file;
    EXPECT_EQ(imported.elements, c.elements) << c.file;
    EXPECT_EQ(imported.badData, c.badData) << c.file;
    EXPECT_EQ(imported.leftOut, c.badData.size()) << c.file;
  }
}

// 10 degrees east, 45 north in web mercator metres: x = R * pi / 18, y = R * ln(tan(67.5 deg)).
TEST(GeodataImport, ProjectedLayersArriveInWgs84) {
  EnsureGdalReady();
  TempFolder folder;
  for (const char* name : {"projected.shp", "projected.gpkg"}) {
    const fs::path path = folder.Path() / name;
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(
        fs::path(name).extension() == ".shp" ? "ESRI Shapefile" : "GPKG");
    {
      GDALDatasetUniquePtr dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
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
    EXPECT_EQ(ImportGeodata(path).elements, std::vector<std::string>{"Ten East 1000000 4500000"})
        << name;
  }
}

TEST(GeodataImport, FilesThatCannotBeReadFailWithGdalsReason) {
  TempFolder folder;
  std::ofstream(folder.Path() / "empty.geojson")
      << R"({"type": "FeatureCollection", "features": []})";
  std::ofstream(folder.Path() / "other.json") << "[1, 2, 3]";
  const struct {
    const char* file;
    std::int32_t result;
    const char* line;
    const char* end;
  } kCases[] = {
      {"gone.gpx", -1, "Failed to open - ", ": No such file or directory)"},
      {"other.json", -1, "Failed to open - ", " not recognized as a supported file format.)"},
      {"empty.geojson", 0, "Nothing to import - ", ""}};
  for (const auto& c : kCases) {
    const SGeodataImport imported = ImportGeodata(folder.Path() / c.file);
    EXPECT_EQ(imported.result, c.result) << c.file;
    EXPECT_TRUE(imported.lastLine.starts_with(c.line + (folder.Path() / c.file).string()) &&
                imported.lastLine.ends_with(c.end))
        << imported.lastLine;
    EXPECT_TRUE(imported.elements.empty()) << c.file;
  }
}

// Run in the sanitizer build: GDAL reads every cut of a file without harm to us.
TEST(GeodataImport, EveryPrefixOfAFileIsReadOrRefused) {
  TempFolder folder;
  for (const char* name : {"pois.geojson", "pois.gpx"}) {
    const std::vector<std::uint8_t> bytes = ReadBytes(Data(name));
    const fs::path cut = folder.Path() / name;
    for (std::size_t size = 0; size < bytes.size(); ++size) {
      WriteBytes(cut, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + size));
      const SGeodataImport imported = ImportGeodata(cut);
      EXPECT_LE(imported.result, 1) << name << " cut at " << size;
      EXPECT_LE(imported.elements.size(), 2u) << name << " cut at " << size;
    }
  }
}

}  // namespace
}  // namespace tavi::test
