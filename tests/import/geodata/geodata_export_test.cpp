#include <gtest/gtest.h>

#include <fstream>

#include "app/output_step.h"
#include "geodata_test_support.h"
#include "import/geodata/geodata_exporter.h"
#include "support/test_support.h"

namespace tavi::test {
namespace {

namespace fs = std::filesystem;

// Every text of an element survives export and conversion back; a failed export keeps the old
// output and leaves no temporary file.
TEST(GeodataExport, ExportedFilesConvertBackAndFailedOnesLeaveNoTrace) {
  TempFolder folder;
  SElementTexts every;
  for (std::size_t i = 0; i < kElementTextCount; ++i) {
    every[i] = std::string(kElementTexts[i].names[0]) + " \u00E9";
  }
  SElementTexts nameOnly;
  nameOnly[kNameText] = "Only a name";
  ElementArray elements;
  elements.push_back(BuildElement({1636546, 4821042}, every));
  elements.push_back(BuildElement({-920306, -3869749}, nameOnly));
  const std::vector<std::string> expected{Describe(*elements[0]), Describe(*elements[1])};
  {
    CRecordingWindow window;
    ASSERT_EQ(SaveTaviFile({-920306, 4821042, 1636546, -3869749}, FromNativePath(folder.Path()),
                           std::move(elements), u"all"),
              1);
  }
  for (const char* name : {"back.geojson", "back.gpkg", "back.kml"}) {
    const fs::path output = folder.Path() / name;
    const SExportResult result =
        ExportTaviFile(folder.File("all.tavi"), FromNativePath(output), "");
    EXPECT_EQ(result.problem, "") << name;
    EXPECT_EQ(result.written, 2u) << name;
    EXPECT_EQ(ImportGeodata(output).elements, expected) << name;
  }

  std::ofstream(folder.Path() / "not.tavi") << "IVAX and more";
  std::ofstream(folder.Path() / "back.geojson") << "old";
  const struct {
    const char* input;
    const char* output;
    const char* format;
    const char* problem;
  } kFailures[] = {{"not.tavi", "back.geojson", "", " is not a TAVI file"},
                   {"gone.tavi", "back.geojson", "", "cannot open "},
                   {"all.tavi", "back.txt", "", "cannot tell the format from the name "},
                   {"all.tavi", "back.geojson", "NoSuchDriver", "GDAL cannot write the format "},
                   {"all.tavi", "gone/back.geojson", "", ""}};
  for (const auto& c : kFailures) {
    const SExportResult result =
        ExportTaviFile(folder.File(c.input), folder.File(c.output), c.format);
    EXPECT_NE(result.problem, "") << c.output;
    EXPECT_NE(result.problem.find(c.problem), std::string::npos) << result.problem;
  }
  EXPECT_EQ(ReadBytes(folder.Path() / "back.geojson"), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 5);
}

}  // namespace
}  // namespace tavi::test
