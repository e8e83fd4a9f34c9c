#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "example_gep.h"
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

struct ExampleCase {
  const char* file;
  std::size_t elements;
  int badDataLines;
  const char16_t* firstName;
  const char16_t* lastName;
};

class ExampleTest : public testing::TestWithParam<ExampleCase> {};

TEST_P(ExampleTest, ImportsItsPoisAndReportsItsBadLines) {
  test::CRecordingWindow window;
  test::SavedTaviFile saved;
  const WString path = FromNativePath(ExamplesFolder() / GetParam().file);
  const bool gep = std::string(GetParam().file).ends_with(".gep");
  const std::int32_t result = gep ? ImportGepFile(path, test::RecordInto(saved))
                                  : ImportCsvFile(path, test::RecordInto(saved));
  EXPECT_EQ(result, 1);
  ASSERT_EQ(saved.elements.size(), GetParam().elements);
  EXPECT_EQ(saved.elements.front()->GetName(), GetParam().firstName);
  EXPECT_EQ(saved.elements.back()->GetName(), GetParam().lastName);
  EXPECT_EQ(std::count(window.lines.begin(), window.lines.end(), u"Bad data - " + path),
            GetParam().badDataLines);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ExampleTest,
    testing::Values(
        ExampleCase{"vienna-coffee-houses.csv", 8, 2, u"Caf\u00E9 Central", u"Caf\u00E9 Museum"},
        ExampleCase{"north-sea-lighthouses.txt", 8, 1, u"Leuchtturm Roter Sand",
                    u"Longstone Lighthouse"},
        ExampleCase{"lisbon-pastries.csv", 7, 1, u"Past\u00E9is de Bel\u00E9m", u"Padaria Ribeiro"},
        ExampleCase{"alpine-passes.gep", 11, 0, u"Grimselpass", u"Col de l'Is\u00E9ran"}));

}  // namespace
}  // namespace tavi
