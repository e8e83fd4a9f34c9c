#include "import/gep_importer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "gep_builder.h"
#include "import/ov2_file.h"
#include "import_test_support.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using test::Bytes;
using Poi = std::tuple<std::int32_t, std::int32_t, WString>;

constexpr std::int32_t kSaveResult = 5;
const test::GepPoi kNowhere{test::kGepNoPosition, test::kGepNoPosition, u"Nowhere"};

// Files written out byte by byte from the record layouts.

// count 1 "A", count 1 "B", seven bytes, count 1 "C": the records start at offset 13
const Bytes kHeader = {0x01, 'A', 0x01, 'B', 0, 0, 0, 0, 0, 0, 0, 0x01, 'C'};
// type 3, size 17, x 100, y 200, name "A" and its zero unit
const Bytes kPoiA = {0x03, 0x11, 0, 0, 0, 0x64, 0, 0, 0, 0xC8, 0, 0, 0, 'A', 0, 0, 0};
// type 3, size 17, x -100, y -200, name "B"
const Bytes kPoiB = {0x03, 0x11, 0,    0,    0,   0x9C, 0xFF, 0xFF, 0xFF,
                     0x38, 0xFF, 0xFF, 0xFF, 'B', 0,    0,    0};
// type 3, size 17, x 50, y 50, name "C"
const Bytes kPoiC = {0x03, 0x11, 0, 0, 0, 0x32, 0, 0, 0, 0x32, 0, 0, 0, 'C', 0, 0, 0};
// type 0 (deleted), size 17, x 5, y 5, name "D"
const Bytes kDeletedD = {0x00, 0x11, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 'D', 0, 0, 0};
// type 2, size 17, x 7, y 7, name "E"
const Bytes kType2E = {0x02, 0x11, 0, 0, 0, 7, 0, 0, 0, 7, 0, 0, 0, 'E', 0, 0, 0};

// type 1, size, east 100, north 200, west -100, south -200
Bytes RectHeaderBytes(std::uint8_t size) {
  return {0x01, size, 0,    0,    0,    0x64, 0,    0,    0,    0xC8, 0,
          0,    0,    0x9C, 0xFF, 0xFF, 0xFF, 0x38, 0xFF, 0xFF, 0xFF};
}

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A rectangle of 21 header bytes around its records.
Bytes Rect(const std::vector<Bytes>& records) {
  const Bytes content = Join(records);
  return Join({RectHeaderBytes(static_cast<std::uint8_t>(21 + content.size())), content});
}

const Poi kA{100, 200, u"A"};
const Poi kB{-100, -200, u"B"};
const Poi kC{50, 50, u"C"};

class GepTest : public testing::Test {
 protected:
  WString Write(const Bytes& bytes, const std::string& name = "t.gep") {
    test::WriteBytes(m_folder.Path() / name, bytes);
    return m_folder.File(name);
  }
  std::vector<Poi> ReadAll(const Bytes& bytes) {
    COv2File file;
    EXPECT_TRUE(file.Open(Write(bytes)));
    BoundingRect bounds;
    std::vector<Poi> pois;
    for (const Ov2Entry& entry : file.ReadAllEntries(bounds)) {
      pois.emplace_back(entry.x, entry.y, entry.name);
    }
    return pois;
  }
  std::int32_t Import(const Bytes& bytes, const std::string& name = "pois.gep") {
    m_saved = {};
    m_window.lines.clear();
    m_path = Write(bytes, name);
    return ImportGepFile(m_path, test::RecordInto(m_saved, kSaveResult));
  }
  std::vector<Poi> Elements() const {
    std::vector<Poi> elements;
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

// The helper that makes test and example files agrees with the layouts written out above.
TEST(GepBuilder, WritesTheRecordLayouts) {
  EXPECT_EQ(test::Hex(test::PoiRecord({100, 200, u"A"})), test::Hex(kPoiA));
  EXPECT_EQ(test::Hex(test::PoiRecord({5, 5, u"D", test::kGepDeletedPoi})), test::Hex(kDeletedD));
  EXPECT_EQ(test::Hex(test::RectRecord(100, 200, -100, -200, Join({kPoiA, kPoiB}))),
            test::Hex(Rect({kPoiA, kPoiB})));
  // count 3 "GEP", count 3 "1.0", seven zero bytes, count 3 "POI"
  EXPECT_EQ(test::Hex(test::GepHeader()),
            test::Hex({3, 'G', 'E', 'P', 3, '1', '.', '0', 0, 0, 0, 0, 0, 0, 0, 3, 'P', 'O', 'I'}));
  EXPECT_EQ(test::Hex(test::BuildGep({{{100, 200, u"A"}, {-100, -200, u"B"}}})),
            test::Hex(Join({test::GepHeader(), Rect({kPoiA, kPoiB})})));
}

TEST_F(GepTest, ReadsWhatIsThereAndStops) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  // what follows the header
  const struct {
    Bytes records;
    std::vector<Poi> expected;
  } kCases[] = {
      {{}, {}},
      // a deleted POI is passed over; type 2 ends the rectangle's POIs
      {Rect({kPoiA, kDeletedD, kPoiB}), {kA, kB}},
      {Rect({kPoiA, kType2E, kPoiB}), {kA}},
      {Join({Rect({kPoiA, kPoiC}), Rect({kPoiB})}), {kA, kC, kB}},
      // bytes between rectangles are passed over; a nested rectangle is not indexed
      {Join({{0x07}, Rect({kPoiA}), {0x07, 0x00}, Rect({kPoiB})}), {kA, kB}},
      {Rect({Rect({kPoiA})}), {}},
      // on the edge of the integer range: outside the query area
      {Rect({test::PoiRecord({kMin, 0, u"W"}), kPoiA, test::PoiRecord({0, kMax, u"N"})}), {kA}},
      // size 17: "Z" and U+00E9, no zero unit: the name ends with the record
      {Rect({{0x03, 0x11, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0, 0xE9, 0}, kPoiA}),
       {{1, 1, u"Z\u00E9"}, kA}},
      // size 16: "Z" and one odd byte, which is no code unit
      {Rect({{0x03, 0x10, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0, 'Y'}, kPoiA}),
       {{1, 1, u"Z"}, kA}},
      // size 19: "Z", a zero unit, "Y": the text ends at the zero unit
      {Rect({{0x03, 0x13, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0, 0, 0, 'Y', 0}, kPoiA}),
       {{1, 1, u"Z"}, kA}},
      // size 13: no name at all
      {Rect({{0x03, 0x0D, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, kPoiA}), {{1, 1, u""}, kA}},
      // rectangle size 0 would lead back to the same rectangle for ever: it is walked, then the
      // index ends; so with size 20, with a size past the end, and with a cut rectangle header
      {Join({RectHeaderBytes(0), kPoiA, Rect({kPoiB})}), {kA}},
      {Join({RectHeaderBytes(20), kPoiA, Rect({kPoiB})}), {kA}},
      {Join({RectHeaderBytes(0xF0), kPoiA}), {kA}},
      {{0x01, 0x30, 0, 0}, {}},
      // POI size 5, below the POI header's own 13 bytes, and negative
      {Rect({kPoiA, {0x03, 0x05, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, kPoiB}), {kA}},
      {Rect({kPoiA, {0x03, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 1, 0, 0, 0}, kPoiB}), {kA}},
      // size 100: the name would run past the end of the file; a cut POI header
      {Rect({kPoiA, {0x03, 0x64, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0}}), {kA}},
      {Rect({kPoiA, {0x03, 0x11, 0}}), {kA}}};
  for (const auto& c : kCases) {
    EXPECT_EQ(ReadAll(Join({kHeader, c.records})), c.expected) << test::Hex(c.records);
  }
}

// The title drops the folders and the last four characters; the importer tests check that.
TEST_F(GepTest, PathWithoutFolderOpensWithAnEmptyTitle) {
  Write(kHeader, "local.gep");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(m_folder.Path());
  COv2File file;
  const bool opened = file.Open(u"local.gep");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(opened);
  EXPECT_EQ(file.GetTitle(), u"");
}

TEST_F(GepTest, PoisOfBothRectanglesBecomeElementsInFileOrder) {
  const Bytes file = test::BuildGep({{{100, 200, u"A"},
                                      {5, 5, u"Deleted", test::kGepDeletedPoi},
                                      kNowhere,
                                      {-100, -200, u"B\u00E9"}},
                                     {{300, 50, u"C"}}});
  EXPECT_EQ(Import(file, "my.pois.gep"), kSaveResult);
  EXPECT_EQ(Elements(),
            (std::vector<Poi>{{100, 200, u"A"}, {-100, -200, u"B\u00E9"}, {300, 50, u"C"}}));
  EXPECT_EQ(m_saved.bounds, (BoundingRect{-100, 200, 300, -200}));
  EXPECT_EQ(m_saved.folder, FromNativePath(m_folder.Path()));
  // only the last four characters are dropped
  EXPECT_EQ(m_saved.title, u"my.pois");
  EXPECT_EQ(m_window.lines, LogOf());
  EXPECT_EQ(m_window.progress, std::vector<std::int32_t>{0});
  EXPECT_THROW(ImportGepFile(m_path, test::ThrowingSave), std::runtime_error);
}

TEST_F(GepTest, PoisAcross180DegreesGiveANarrowRectangle) {
  Import(test::BuildGep({{{17990000, 0, u"E"}, {-17990000, 0, u"W"}}}));
  // the positions stay as stored; only the rectangle is taken across
  EXPECT_EQ(Elements(), (std::vector<Poi>{{17990000, 0, u"E"}, {-17990000, 0, u"W"}}));
  EXPECT_EQ(m_saved.bounds, (BoundingRect{17990000, 0, 18010000, 0}));
}

TEST_F(GepTest, FailureLogsOneLineAndSavesNothing) {
  const struct {
    const char* what;
    Bytes file;
    const char* name;
    std::int32_t result;
    const char16_t* message;
  } kCases[] = {{"empty file", {}, "a.gep", -999, u"Failed to open - "},
                // the name is only the four characters that are dropped
                {"empty title", test::BuildGep({{{1, 1, u"A"}}}), ".gep", -1, u"Failed to read - "},
                {"no rectangle", test::GepHeader(), "a.gep", -2, u"GEP is empty - "},
                {"only deleted POIs", test::BuildGep({{{1, 1, u"A", test::kGepDeletedPoi}}}),
                 "a.gep", -2, u"GEP is empty - "},
                {"no POI with a position", test::BuildGep({{kNowhere}, {kNowhere}}), "a.gep", 1,
                 u"Nothing to import from - "}};
  for (const auto& c : kCases) {
    EXPECT_EQ(Import(c.file, c.name), c.result) << c.what;
    EXPECT_EQ(m_window.lines, LogOf(c.message)) << c.what;
    EXPECT_EQ(m_saved.calls, 0) << c.what;
  }
  // counts A, B and C 0
  for (const Bytes& header : {Bytes{0x00, 0x01, 'B', 0, 0, 0, 0, 0, 0, 0, 0x01, 'C'},
                              Bytes{0x01, 'A', 0x00, 0, 0, 0, 0, 0, 0, 0, 0x01, 'C'},
                              Bytes{0x01, 'A', 0x01, 'B', 0, 0, 0, 0, 0, 0, 0, 0x00}}) {
    EXPECT_EQ(Import(header), -999) << test::Hex(header);
    EXPECT_EQ(m_window.lines, LogOf(u"Failed to open - "));
  }
  m_window.lines.clear();
  m_path = m_folder.File("missing.gep");
  EXPECT_EQ(ImportGepFile(m_path, test::RecordInto(m_saved)), -999);
  EXPECT_EQ(m_window.lines, LogOf(u"Failed to open - "));
}

// Every prefix of a valid file: the reader never reads past the end and yields the beginning of
// what the whole file yields; the importer ends in one of its outcomes.
TEST_F(GepTest, EveryTruncation) {
  const Bytes nowhere = test::PoiRecord(kNowhere);
  const Bytes whole = Join({kHeader, Rect({kPoiA, kDeletedD, kPoiB, nowhere}), Rect({kPoiC})});
  const std::vector<Poi> all{kA, kB, {test::kGepNoPosition, test::kGepNoPosition, u"Nowhere"}, kC};
  std::size_t previousCount = 0;
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(length));
    const std::int32_t result = Import(cut);
    EXPECT_TRUE(result == -999 || result == -2 || result == 1 || result == kSaveResult) << length;
    EXPECT_EQ(m_saved.calls, result == kSaveResult ? 1 : 0) << length;
    if (length < kHeader.size()) {
      COv2File file;
      EXPECT_FALSE(file.Open(Write(cut))) << length;
      continue;
    }
    const std::vector<Poi> pois = ReadAll(cut);
    ASSERT_LE(pois.size(), all.size()) << length;
    EXPECT_EQ(pois, std::vector<Poi>(all.begin(), all.begin() + static_cast<long>(pois.size())))
        << length;
    EXPECT_GE(pois.size(), previousCount) << length;
    previousCount = pois.size();
  }
  EXPECT_EQ(previousCount, all.size());
  EXPECT_EQ(Elements(), (std::vector<Poi>{kA, kB, kC}));
}

}  // namespace
}  // namespace tavi
