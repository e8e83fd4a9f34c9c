#include "import/gep_importer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "gep_builder.h"
#include "import_test_support.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using test::Bytes;
using test::GepPoi;

using Element = std::tuple<std::int32_t, std::int32_t, WString>;

constexpr std::int32_t kSaveResult = 5;
const GepPoi kNowhere{-999999999, -999999999, u"Nowhere"};

class GepImportTest : public testing::Test {
 protected:
  std::int32_t Import(const Bytes& bytes, const std::string& name = "pois.gep") {
    test::WriteBytes(m_folder.Path() / name, bytes);
    m_path = m_folder.File(name);
    return ImportGepFile(m_path, test::RecordInto(m_saved, kSaveResult));
  }
  std::vector<Element> Elements() const {
    std::vector<Element> elements;
    for (const auto& element : m_saved.elements) {
      elements.emplace_back(element->GetPosition().x, element->GetPosition().y, element->GetName());
    }
    return elements;
  }
  std::vector<WString> LogOf(const char16_t* message = nullptr) const {
    std::vector<WString> lines{u"\r\n", u"Importing gep - " + m_path};
    if (message != nullptr) lines.push_back(message + m_path);
    return lines;
  }

  test::TempFolder m_folder;
  test::CRecordingWindow m_window;
  test::SavedTaviFile m_saved;
  WString m_path;
};

TEST_F(GepImportTest, PoisOfBothRectanglesBecomeElementsInFileOrder) {
  const Bytes file = test::BuildGep(
      {{{100, 200, u"A"}, {5, 5, u"Deleted", test::kGepDeletedPoi}, {-100, -200, u"B\u00E9"}},
       {{300, 50, u"C"}}});
  EXPECT_EQ(Import(file, "my.pois.gep"), kSaveResult);
  EXPECT_EQ(Elements(),
            (std::vector<Element>{{100, 200, u"A"}, {-100, -200, u"B\u00E9"}, {300, 50, u"C"}}));
  EXPECT_EQ(m_saved.bounds, (BoundingRect{-100, 200, 300, -200}));
  EXPECT_EQ(m_saved.folder, FromNativePath(m_folder.Path()));
  // only the last four characters are dropped
  EXPECT_EQ(m_saved.title, u"my.pois");
  EXPECT_EQ(m_window.lines, LogOf());
  EXPECT_EQ(m_window.progress, std::vector<std::int32_t>{0});
}

TEST_F(GepImportTest, PoiWithoutPositionIsLeftOutOfElementsAndBounds) {
  Import(test::BuildGep({{kNowhere, {100, 200, u"A"}}}));
  EXPECT_EQ(Elements(), (std::vector<Element>{{100, 200, u"A"}}));
  EXPECT_EQ(m_saved.bounds, (BoundingRect{100, 200, 100, 200}));
}

TEST_F(GepImportTest, PoisAcross180DegreesGiveANarrowRectangle) {
  Import(test::BuildGep({{{17990000, 0, u"E"}, {-17990000, 0, u"W"}}}));
  // the positions stay as stored; only the rectangle is taken across
  EXPECT_EQ(Elements(), (std::vector<Element>{{17990000, 0, u"E"}, {-17990000, 0, u"W"}}));
  EXPECT_EQ(m_saved.bounds, (BoundingRect{17990000, 0, 18010000, 0}));
}

struct FailureCase {
  const char* what;
  Bytes file;
  const char* name;
  std::int32_t result;
  const char16_t* message;
};

class GepFailureTest : public GepImportTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(GepFailureTest, LogsOneLineAndSavesNothing) {
  EXPECT_EQ(Import(GetParam().file, GetParam().name), GetParam().result) << GetParam().what;
  EXPECT_EQ(m_window.lines, LogOf(GetParam().message)) << GetParam().what;
  EXPECT_EQ(m_saved.calls, 0);
}

Bytes WithZeroCountC() {
  Bytes file = test::GepHeader();
  file.resize(15);  // up to count C
  file.push_back(0);
  return file;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, GepFailureTest,
    testing::Values(
        FailureCase{"zero header count", WithZeroCountC(), "a.gep", -999, u"Failed to open - "},
        FailureCase{"empty file", {}, "a.gep", -999, u"Failed to open - "},
        // the name is only the four characters that are dropped
        FailureCase{"empty title", test::BuildGep({{{1, 1, u"A"}}}), ".gep", -1,
                    u"Failed to read - "},
        FailureCase{"no rectangle", test::GepHeader(), "a.gep", -2, u"GEP is empty - "},
        FailureCase{"only deleted POIs", test::BuildGep({{{1, 1, u"A", test::kGepDeletedPoi}}}),
                    "a.gep", -2, u"GEP is empty - "},
        FailureCase{"no POI with a position", test::BuildGep({{kNowhere}, {kNowhere}}), "a.gep", 1,
                    u"Nothing to import from - "}));

TEST_F(GepImportTest, MissingFileFailsToOpen) {
  m_path = m_folder.File("missing.gep");
  EXPECT_EQ(ImportGepFile(m_path, test::RecordInto(m_saved)), -999);
  EXPECT_EQ(m_window.lines, LogOf(u"Failed to open - "));
}

TEST_F(GepImportTest, ElementsAreReleasedWhenTheOutputStepThrows) {
  test::WriteBytes(m_folder.Path() / "t.gep", test::BuildGep({{{1, 1, u"A"}, {2, 2, u"B"}}}));
  const SaveTaviFileFunction failing = [](const BoundingRect&, const WString&, ElementArray&&,
                                          const WString&) -> std::int32_t {
    throw std::runtime_error("disk full");
  };
  EXPECT_THROW(ImportGepFile(m_folder.File("t.gep"), failing), std::runtime_error);
}

// Every prefix of a valid file ends in one of the importer's outcomes, never in a crash.
TEST_F(GepImportTest, EveryTruncationEndsInAnOutcome) {
  const Bytes whole = test::BuildGep(
      {{{100, 200, u"A"}, {5, 5, u"D", test::kGepDeletedPoi}, kNowhere}, {{300, 50, u"C"}}});
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    m_saved = {};
    const std::int32_t result =
        Import(Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
    EXPECT_TRUE(result == -999 || result == -2 || result == 1 || result == kSaveResult) << length;
    EXPECT_EQ(m_saved.calls, result == kSaveResult ? 1 : 0) << length;
  }
  EXPECT_EQ(Elements(), (std::vector<Element>{{100, 200, u"A"}, {300, 50, u"C"}}));
}

}  // namespace
}  // namespace tavi
