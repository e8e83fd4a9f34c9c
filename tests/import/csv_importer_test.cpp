#include "import/csv_importer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "import_test_support.h"
#include "platform/code_page.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

// The fields an imported line can fill.
struct Element {
  Element(std::int32_t x_, std::int32_t y_, WString name_, WString addr1_ = {},
          WString extra2_ = {}, WString extra3_ = {}, WString extra4_ = {}, WString extra5_ = {},
          WString text1_ = {}, WString text2_ = {})
      : x(x_),
        y(y_),
        name(std::move(name_)),
        addr1(std::move(addr1_)),
        extra2(std::move(extra2_)),
        extra3(std::move(extra3_)),
        extra4(std::move(extra4_)),
        extra5(std::move(extra5_)),
        text1(std::move(text1_)),
        text2(std::move(text2_)) {}

  std::int32_t x = 0;
  std::int32_t y = 0;
  WString name;
  WString addr1;
  WString extra2;
  WString extra3;
  WString extra4;
  WString extra5;
  WString text1;
  WString text2;
  friend bool operator==(const Element&, const Element&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Element& e) {
    return out << e.x << ", " << e.y << ", " << WideToUtf8(e.name) << ", " << WideToUtf8(e.addr1)
               << ", " << WideToUtf8(e.extra2) << ", " << WideToUtf8(e.extra3) << ", "
               << WideToUtf8(e.extra4) << ", " << WideToUtf8(e.extra5) << ", "
               << WideToUtf8(e.text1) << ", " << WideToUtf8(e.text2);
  }
};

Element Describe(const CTaviElement& element) {
  const CTaviDetails& d = *element.details;
  return {element.GetPosition().x,
          element.GetPosition().y,
          d.name,
          d.address->addr1,
          d.extra2,
          d.extra3,
          d.extra4,
          d.extra5,
          d.text1,
          d.text2};
}

// FF FE, then the text as UTF-16 little-endian.
std::string Utf16File(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (const WChar unit : Utf8ToWide(utf8)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::string Utf8File(const std::string& utf8) {
  return "\xEF\xBB\xBF" + utf8;
}

// "1;2;N" and ten digits of i: 16 bytes with the line feed, so 256 lines fill 4096 bytes.
std::string NumberedLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::string digits = std::to_string(i);
    text += "1;2;N" + std::string(10 - digits.size(), '0') + digits + "\n";
  }
  return text;
}

WString NumberedName(int i) {
  const std::string digits = std::to_string(i);
  return Utf8ToWide("N" + std::string(10 - digits.size(), '0') + digits);
}

class CsvImportTest : public testing::Test {
 protected:
  std::int32_t Import(const std::string& bytes, const std::string& name = "pois.csv") {
    test::WriteBytes(m_folder.Path() / name, {bytes.begin(), bytes.end()});
    m_path = m_folder.File(name);
    return ImportCsvFile(m_path, test::RecordInto(m_saved, kSaveResult));
  }
  std::vector<Element> Elements() const {
    std::vector<Element> elements;
    for (const auto& element : m_saved.elements) elements.push_back(Describe(*element));
    return elements;
  }
  std::vector<WString> Names() const {
    std::vector<WString> names;
    for (const auto& element : m_saved.elements) names.push_back(element->GetName());
    return names;
  }
  int BadDataLines() const {
    return static_cast<int>(
        std::count(m_window.lines.begin(), m_window.lines.end(), u"Bad data - " + m_path));
  }
  std::vector<WString> LogOf(std::initializer_list<const char16_t*> messages) const {
    std::vector<WString> lines{u"\r\n", u"Importing csv - " + m_path};
    for (const char16_t* message : messages) lines.push_back(message + m_path);
    return lines;
  }

  static constexpr std::int32_t kSaveResult = 7;
  test::TempFolder m_folder;
  test::CRecordingWindow m_window;
  test::SavedTaviFile m_saved;
  WString m_path;
};

struct LineCase {
  const char* line;
  Element expected;
};

class CsvLineTest : public CsvImportTest, public testing::WithParamInterface<LineCase> {};

TEST_P(CsvLineTest, GivesOneElement) {
  Import(std::string(GetParam().line) + "\n");
  EXPECT_EQ(Elements(), std::vector<Element>{GetParam().expected}) << GetParam().line;
  EXPECT_EQ(BadDataLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CsvLineTest,
    testing::Values(
        // the float nearest 13.4 is 13.3999996185..., so the product truncates to 1339999
        LineCase{"13.4;52.5;Place", {1339999, 5250000, u"Place"}},
        // the float nearest 0.00001 lies just below it: 0.99999997... truncates to 0
        LineCase{"0.00001;-0.00001;Tiny", {0, 0, u"Tiny"}},
        LineCase{"12.5|-0.5|A", {1250000, -50000, u"A"}},
        // the comma ends the number
        LineCase{"1,5;2;N", {100000, 200000, u"N"}},
        // fields keep their column: the empty second field is latitude 0
        LineCase{"1;;2;x", {100000, 0, u"2", u"x"}},
        // numbers skip leading blanks; texts are taken as they stand
        LineCase{"  2; 3; N ;  a", {200000, 300000, u" N ", u"  a"}},
        LineCase{"not a number;2;N", {0, 200000, u"N"}},
        LineCase{"21474;-21474;Edge", {2147400000, -2147400000, u"Edge"}},
        // columns 4 to 10; column 7 goes to extra5 and column 8 to extra4; 11 is ignored
        LineCase{"1;2;N;c4;c5;c6;c7;c8;c9;c10;c11",
                 {100000, 200000, u"N", u"c4", u"c5", u"c6", u"c8", u"c7", u"c9", u"c10"}},
        LineCase{"1;2;N;;c5;;c7", {100000, 200000, u"N", u"", u"c5", u"", u"", u"c7"}}));

struct RejectCase {
  const char* text;
  int badDataLines;
};

class CsvRejectTest : public CsvImportTest, public testing::WithParamInterface<RejectCase> {};

TEST_P(CsvRejectTest, GivesNoElement) {
  EXPECT_EQ(Import(GetParam().text), 0) << GetParam().text;
  EXPECT_EQ(m_saved.calls, 0);
  EXPECT_EQ(BadDataLines(), GetParam().badDataLines) << GetParam().text;
  EXPECT_EQ(m_window.lines.back(), u"Nothing to import - " + m_path);
}

INSTANTIATE_TEST_SUITE_P(Lines, CsvRejectTest,
                         testing::Values(
                             // fewer than three non-empty fields: ignored without a message
                             RejectCase{"1;2;\n", 0}, RejectCase{"1;;;2\n", 0},
                             RejectCase{"Name\n", 0},
                             // three non-empty fields but an empty name
                             RejectCase{"1;2;;x\n", 1},
                             // comments, also one that looks like a directive or a data line
                             RejectCase{";1;2;Name\n", 0}, RejectCase{";delimiter=,\n1,2,N\n", 0},
                             // a scaled coordinate that is not a number or does not fit 32 bits
                             RejectCase{"1e10;2;N\n", 1}, RejectCase{"2;inf;N\n", 1},
                             RejectCase{"nan;2;N\n", 1}, RejectCase{"-3e9;2;N\n", 1},
                             RejectCase{"1e300;2;N\n", 1}, RejectCase{"21475;0;N\n", 1},
                             RejectCase{"0;-21475;N\n", 1},
                             // one message per bad line
                             RejectCase{"1;2;;x\n3;4;;y\r\n5;6;;z", 3},
                             // nothing at all
                             RejectCase{"", 0}, RejectCase{"\r\n\n\r", 0}));

struct DirectiveCase {
  const char* text;
  std::vector<WString> names;
};

class CsvDirectiveTest : public CsvImportTest, public testing::WithParamInterface<DirectiveCase> {};

TEST_P(CsvDirectiveTest, ChangesTheDelimitersOfTheLinesAfterIt) {
  Import(GetParam().text);
  EXPECT_EQ(Names(), GetParam().names) << GetParam().text;
  EXPECT_EQ(BadDataLines(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Directives, CsvDirectiveTest,
    testing::Values(DirectiveCase{"delimiter=,\n1,2,Name\n", {u"Name"}},
                    // only the one character after the ten is taken
                    DirectiveCase{"delimiter=;|\n1;2;Semi\n1|2|Bar\n", {u"Semi"}},
                    // nothing after the ten characters: no delimiter at all
                    DirectiveCase{"delimiter=\n1;2;N\n", {}},
                    DirectiveCase{"delimiter=\t\n1\t2\tTab\n", {u"Tab"}},
                    DirectiveCase{"1,2,A\ndelimiter=,\n1,2,B\ndelimiter=|\n1|2|C\n1,2,D\n",
                                  {u"B", u"C"}},
                    // case-sensitive: a data line of one field
                    DirectiveCase{"Delimiter=,\n1,2,N\n1;2;M\n", {u"M"}}));

TEST_F(CsvImportTest, ThreeEncodingsGiveIdenticalElements) {
  const std::string text =
      "; comment\r\n8.5;47.25;Z\xC3\xBCrich;Bahnhofstra\xC3\x9F"
      "e\r\ndelimiter=|\r\n2.25|48.75|Caf\xC3\xA9 de Flore\r\n";
  const std::vector<Element> expected{{850000, 4725000, u"Z\u00FCrich", u"Bahnhofstra\u00DFe"},
                                      {225000, 4875000, u"Caf\u00E9 de Flore"}};
  const std::string windows1252 =
      "; comment\r\n8.5;47.25;Z\xFCrich;Bahnhofstra\xDF"
      "e\r\ndelimiter=|\r\n2.25|48.75|Caf\xE9 de Flore\r\n";
  for (const std::string& file : {Utf16File(text), Utf8File(text), windows1252}) {
    Import(file);
    EXPECT_EQ(Elements(), expected) << test::Hex({file.begin(), file.end()});
  }
}

TEST_F(CsvImportTest, BigEndianMarkIsReadAsEightBitText) {
  Import(
      "\xFE\xFF"
      "1;2;N\n");
  // the two bytes become the characters U+00FE U+00FF in front of the longitude
  EXPECT_EQ(Elements(), (std::vector<Element>{{0, 200000, u"N"}}));
}

TEST_F(CsvImportTest, OddLastByteOfUtf16IsLeftOut) {
  Import(Utf16File("1;2;N") + "X");
  EXPECT_EQ(Names(), std::vector<WString>{u"N"});
}

TEST_F(CsvImportTest, CarriageReturnsLineFeedsAndBlankLinesSeparateLines) {
  Import("1;1;A\r2;2;B\r\n\r\n\n3;3;C\n\r4;4;D");
  EXPECT_EQ(Names(), (std::vector<WString>{u"A", u"B", u"C", u"D"}));
}

TEST_F(CsvImportTest, TxtFileIsImportedAsCsv) {
  EXPECT_EQ(Import("1;2;N\n", "pois.txt"), kSaveResult);
  EXPECT_EQ(m_window.lines, LogOf({}));
  EXPECT_EQ(m_saved.title, u"pois");
}

TEST_F(CsvImportTest, GoodFileIsHandedToTheOutputStep) {
  EXPECT_EQ(Import("1;2;A\n3;-4;B\n", "my.pois.csv"), kSaveResult);
  EXPECT_EQ(m_saved.calls, 1);
  EXPECT_EQ(m_saved.folder, FromNativePath(m_folder.Path()));
  EXPECT_EQ(m_saved.title, u"my");
  EXPECT_EQ(m_saved.bounds, (BoundingRect{100000, 200000, 300000, -400000}));
  EXPECT_EQ(m_window.lines, LogOf({}));
  EXPECT_EQ(m_window.progress, (std::vector<std::int32_t>{0, 100}));
}

TEST_F(CsvImportTest, BadLineIsLoggedWithTheFilesPath) {
  Import("1;2;;x\n1;2;N\n");
  EXPECT_EQ(m_window.lines, LogOf({u"Bad data - "}));
  EXPECT_EQ(Names(), std::vector<WString>{u"N"});
}

TEST_F(CsvImportTest, FileWithoutGoodLinesIsNotHandedOn) {
  EXPECT_EQ(Import("; only a comment\n"), 0);
  EXPECT_EQ(m_window.lines, LogOf({u"Nothing to import - "}));
  EXPECT_EQ(m_window.progress, std::vector<std::int32_t>{0});
}

TEST_F(CsvImportTest, MissingFileFailsToOpen) {
  m_path = m_folder.File("missing.csv");
  EXPECT_EQ(ImportCsvFile(m_path, test::RecordInto(m_saved)), -1);
  EXPECT_EQ(m_window.lines, LogOf({u"Failed to open - "}));
  EXPECT_EQ(m_saved.calls, 0);
}

TEST_F(CsvImportTest, FileTooLargeToHoldFailsToOpen) {
  // 2 GiB of nothing: a sparse file takes no space on disk
  const std::filesystem::path file = m_folder.Path() / "huge.csv";
  test::WriteBytes(file, {});
  std::filesystem::resize_file(file, std::uintmax_t{1} << 31);
  m_path = m_folder.File("huge.csv");
  EXPECT_EQ(ImportCsvFile(m_path, test::RecordInto(m_saved)), -1);
  EXPECT_EQ(m_window.lines, LogOf({u"Failed to open - "}));
}

TEST_F(CsvImportTest, FileDeliveringLessThanItsLengthFailsToOpen) {
  // Linux reports 4096 bytes for this file and delivers a few.
  const std::filesystem::path file = "/sys/devices/system/cpu/online";
  std::error_code error;
  const std::uintmax_t length = std::filesystem::file_size(file, error);
  if (error || length == test::ReadBytes(file).size()) GTEST_SKIP() << "no such file here";
  m_path = FromNativePath(file);
  EXPECT_EQ(ImportCsvFile(m_path, test::RecordInto(m_saved)), -1);
  EXPECT_EQ(m_window.lines, LogOf({u"Failed to open - "}));
}

TEST_F(CsvImportTest, ElementsAreReleasedWhenTheOutputStepThrows) {
  test::WriteBytes(m_folder.Path() / "t.csv", {'1', ';', '2', ';', 'N', '\n'});
  const SaveTaviFileFunction failing = [](const BoundingRect&, const WString&, ElementArray&&,
                                          const WString&) -> std::int32_t {
    throw std::runtime_error("disk full");
  };
  EXPECT_THROW(ImportCsvFile(m_folder.File("t.csv"), failing), std::runtime_error);
}

TEST_F(CsvImportTest, FirstPositionSetsTheBoundsWithoutNormalisation) {
  Import("190;0;Far\n");
  EXPECT_EQ(m_saved.bounds, (BoundingRect{19000000, 0, 19000000, 0}));
}

TEST_F(CsvImportTest, LaterPositionsNormaliseTheBounds) {
  Import("-190;1;A\n-170;-1;B\n");
  EXPECT_EQ(m_saved.bounds, (BoundingRect{17000000, 100000, 19000000, -100000}));
}

// 1024 lines of 16 bytes: chunks start at 0, 4112, 8224 and 12336 (each runs from its start
// past 4096 bytes to the end of that line), so reading posts 30 * start / 16384 = 7, 15, 22.
TEST_F(CsvImportTest, ChunksEndAtLineFeedsAndPostTheReadingProgress) {
  Import(NumberedLines(1024));
  ASSERT_EQ(m_saved.elements.size(), 1024u);
  for (int i = 0; i < 1024; ++i) EXPECT_EQ(Names()[i], NumberedName(i));
  EXPECT_EQ(m_window.progress, (std::vector<std::int32_t>{0, 7, 15, 22, 100}));
}

// The same in units: 2 + 32768 bytes; chunks start at bytes 2, 8226, 16450, 24674.
TEST_F(CsvImportTest, Utf16ChunksCountUnits) {
  Import(Utf16File(NumberedLines(1024)));
  ASSERT_EQ(m_saved.elements.size(), 1024u);
  for (int i = 0; i < 1024; ++i) EXPECT_EQ(Names()[i], NumberedName(i));
  EXPECT_EQ(m_window.progress, (std::vector<std::int32_t>{0, 7, 15, 22, 100}));
}

TEST_F(CsvImportTest, MultiByteCharactersAreNeverSplitBetweenChunks) {
  std::string text;
  // 4 + 12 + 1 bytes a line: the chunk searches start in the middle of characters
  for (int i = 0; i < 700; ++i) text += "1;2;\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\n";
  Import(Utf8File(text));
  EXPECT_EQ(Names(), std::vector<WString>(700, u"\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"));
}

TEST_F(CsvImportTest, LineLongerThanAChunkStaysWhole) {
  const std::string name(10000, 'L');
  Import("1;2;A\n1;2;" + name + "\n1;2;B");
  EXPECT_EQ(Names(), (std::vector<WString>{u"A", Utf8ToWide(name), u"B"}));
}

struct TruncationCase {
  const char* encoding;
  std::string file;
  std::size_t markerBytes;
  std::size_t unitBytes;
};

class CsvTruncationTest : public CsvImportTest,
                          public testing::WithParamInterface<TruncationCase> {};

// Every prefix of "1;2;A\n3;4;B\n" imports the whole lines it holds. Counted in characters of
// the text: "1;2;A" needs all of its 5, line B its 5 after the line feed at 5; a cut inside the
// marker leaves 8-bit text of one or two characters, which is no data line.
TEST_P(CsvTruncationTest, EveryPrefixImportsItsWholeLines) {
  const TruncationCase& file = GetParam();
  for (std::size_t cut = 0; cut <= file.file.size(); ++cut) {
    const std::size_t characters =
        cut < file.markerBytes ? cut : (cut - file.markerBytes) / file.unitBytes;
    std::vector<WString> expected;
    if (cut >= file.markerBytes && characters >= 5) expected.push_back(u"A");
    if (cut >= file.markerBytes && characters >= 11) expected.push_back(u"B");
    m_saved = {};
    m_window.lines.clear();
    const std::int32_t result = Import(file.file.substr(0, cut));
    EXPECT_EQ(Names(), expected) << file.encoding << ", " << cut << " bytes";
    EXPECT_EQ(result, expected.empty() ? 0 : kSaveResult) << file.encoding << ", " << cut;
    EXPECT_EQ(BadDataLines(), 0) << file.encoding << ", " << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(Prefixes, CsvTruncationTest,
                         testing::Values(TruncationCase{"8-bit", "1;2;A\n3;4;B\n", 0, 1},
                                         TruncationCase{"UTF-8", Utf8File("1;2;A\n3;4;B\n"), 3, 1},
                                         TruncationCase{"UTF-16", Utf16File("1;2;A\n3;4;B\n"), 2,
                                                        2}));

struct ZeroCase {
  const char* what;
  std::size_t zeroAt;  // unit index in the text behind any marker
  std::vector<int> lines;
};

std::vector<int> Range(int first, int last) {
  std::vector<int> numbers;
  for (int i = first; i <= last; ++i) numbers.push_back(i);
  return numbers;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class CsvZeroTest : public CsvImportTest, public testing::WithParamInterface<ZeroCase> {
 protected:
  std::vector<WString> Expected() const {
    std::vector<WString> names;
    for (const int i : GetParam().lines) names.push_back(NumberedName(i));
    return names;
  }
};

TEST_P(CsvZeroTest, EightBitText) {
  std::string text = NumberedLines(1024);
  text[GetParam().zeroAt] = '\0';
  Import(text);
  EXPECT_EQ(Names(), Expected()) << GetParam().what;
}

TEST_P(CsvZeroTest, Utf16Text) {
  std::string file = Utf16File(NumberedLines(1024));
  file[2 + 2 * GetParam().zeroAt] = '\0';
  Import(file);
  EXPECT_EQ(Names(), Expected()) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Zeros, CsvZeroTest,
    testing::Values(
        // in line 10 ("1;2" is left, too few fields): the rest of the first chunk, up to the end
        // of line 256, is lost; the next chunk starts at line 257 as before
        ZeroCase{"zero before the search start", 10 * 16 + 3, Join(Range(0, 9), Range(257, 1023))},
        // in line 256, after the search start: no line feed is found, the first chunk is the
        // last one
        ZeroCase{"zero after the search start", 256 * 16 + 3, Range(0, 255)},
        ZeroCase{"zero in the last chunk", 1000 * 16 + 3, Range(0, 999)}));

}  // namespace
}  // namespace tavi
