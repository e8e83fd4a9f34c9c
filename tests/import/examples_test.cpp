#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gep_builder.h"
#include "import/csv_importer.h"
#include "import/gep_importer.h"
#include "import_test_support.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

std::filesystem::path ExamplesFolder() {
  const char* source = std::getenv("TAVI_SOURCE_DIR");
  return std::filesystem::path(source != nullptr ? source : ".") / "examples";
}

TEST(Examples, GepFileIsTheOneTheBuilderMakes) {
  const std::filesystem::path file = ExamplesFolder() / "alpine-passes.gep";
  ASSERT_TRUE(std::filesystem::exists(file)) << file;
  EXPECT_EQ(test::Hex(test::ReadBytes(file)), test::Hex(test::BuildExampleGep()));
}

TEST(Examples, ImportItsPoisAndReportTheirBadLines) {
  const struct {
    const char* file;
    std::size_t elements;
    int badDataLines;
    const char16_t* firstName;
    const char16_t* lastName;
  } kCases[] = {
      {"vienna-coffee-houses.csv", 8, 2, u"Caf\u00E9 Central", u"Caf\u00E9 Museum"},
      {"north-sea-lighthouses.txt", 8, 1, u"Leuchtturm Roter Sand", u"Longstone Lighthouse"},
      {"lisbon-pastries.csv", 7, 1, u"Past\u00E9is de Bel\u00E9m", u"Padaria Ribeiro"},
      {"alpine-passes.gep", 11, 0, u"Grimselpass", u"Col de l'Is\u00E9ran"}};
  for (const auto& c : kCases) {
    test::CRecordingWindow window;
    test::SavedTaviFile saved;
    const WString path = FromNativePath(ExamplesFolder() / c.file);
    const std::int32_t result = std::string(c.file).ends_with(".gep")
                                    ? ImportGepFile(path, test::RecordInto(saved))
                                    : ImportCsvFile(path, test::RecordInto(saved));
    EXPECT_EQ(result, 1) << c.file;
    ASSERT_EQ(saved.elements.size(), c.elements) << c.file;
    EXPECT_EQ(saved.elements.front()->GetName(), c.firstName);
    EXPECT_EQ(saved.elements.back()->GetName(), c.lastName);
    EXPECT_EQ(std::count(window.lines.begin(), window.lines.end(), u"Bad data - " + path),
              c.badDataLines)
        << c.file;
  }
}

}  // namespace
}  // namespace tavi
