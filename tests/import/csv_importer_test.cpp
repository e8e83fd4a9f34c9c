#include "import/csv_importer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "import/csv_chunk_reader.h"
#include "import_test_support.h"
#include "platform/code_page.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

// x, y, then name, addr1, extra2, extra3, extra4, extra5, text1, text2 up to the last non-empty.
using Element = std::tuple<std::int32_t, std::int32_t, std::vector<WString>>;
// Start and text of each chunk; every file here is read to its end.
using Chunks = std::vector<std::pair<std::uint64_t, WString>>;

constexpr std::size_t kBlockSizes[] = {
    1, 2, 3, 16, 4095, 4096, 4097, 10000, CCsvChunkReader::kDefaultBlockBytes};

// FF FE, then the text as UTF-16 little-endian.
std::string Utf16File(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (const WChar unit : Utf8ToWide(utf8)) {
    bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  }
  return bytes;
}

std::string Utf8File(const std::string& utf8) {
  return "\xEF\xBB\xBF" + utf8;
}

// "N" and ten digits of i.
std::string Numbered(int i) {
  const std::string digits = std::to_string(i);
  return "N" + std::string(10 - digits.size(), '0') + digits;
}

// "1;2;N0000000000": 16 bytes with the line feed, so 256 lines fill 4096 bytes.
std::string NumberedLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "1;2;" + Numbered(i) + "\n";
  return text;
}

class CsvImportTest : public testing::Test {
 protected:
  WString Write(const std::string& bytes, const std::string& name = "pois.csv") {
    test::WriteBytes(m_folder.Path() / name, {bytes.begin(), bytes.end()});
    return m_folder.File(name);
  }
  Chunks ReadChunks(std::size_t blockBytes) const {
    CCsvChunkReader reader(blockBytes);
    EXPECT_TRUE(reader.Open(m_folder.File("pois.csv")));
    Chunks chunks;
    CCsvChunkReader::Result result;
    while ((result = reader.ReadNextChunk()) == CCsvChunkReader::Result::kChunk) {
      chunks.emplace_back(reader.GetChunkStart(), WString(reader.Text()));
    }
    EXPECT_EQ(result, CCsvChunkReader::Result::kEnd);
    return chunks;
  }
  std::int32_t Import(const std::string& bytes, const std::string& name = "pois.csv") {
    m_saved = {};
    m_window.lines.clear();
    m_path = Write(bytes, name);
    return ImportCsvFile(m_path, test::RecordInto(m_saved, kSaveResult));
  }
  std::vector<Element> Elements() const {
    std::vector<Element> elements;
    for (const auto& element : m_saved.elements) {
      const CTaviDetails& d = *element->details;
      std::vector<WString> texts{d.name,   d.address->addr1, d.extra2, d.extra3,
                                 d.extra4, d.extra5,         d.text1,  d.text2};
      while (!texts.empty() && texts.back().empty()) texts.pop_back();
      elements.emplace_back(element->GetPosition().x, element->GetPosition().y, texts);
    }
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

TEST_F(CsvImportTest, LineGivesOneElement) {
  const struct {
    const char* line;
    Element expected;
  } kCases[] = {// the float nearest 13.4 is 13.3999996185..., so the product truncates to 1339999
                {"13.4;52.5;Place", {1339999, 5250000, {u"Place"}}},
                // the float nearest 0.00001 lies just below it: 0.99999997... truncates to 0
                {"0.00001;-0.00001;Tiny", {0, 0, {u"Tiny"}}},
                {"12.5|-0.5|A", {1250000, -50000, {u"A"}}},
                // the comma ends the number
                {"1,5;2;N", {100000, 200000, {u"N"}}},
                // fields keep their column: the empty second field is latitude 0
                {"1;;2;x", {100000, 0, {u"2", u"x"}}},
                // numbers skip leading blanks; texts are taken as they stand
                {"  2; 3; N ;  a", {200000, 300000, {u" N ", u"  a"}}},
                {"not a number;2;N", {0, 200000, {u"N"}}},
                // a big-endian mark is 8-bit text: U+00FE U+00FF in front of the longitude
                {"\xFE\xFF"
                 "1;2;N",
                 {0, 200000, {u"N"}}},
                {"21474;-21474;Edge", {2147400000, -2147400000, {u"Edge"}}},
                // columns 4 to 10; column 7 goes to extra5 and column 8 to extra4; 11 is ignored
                {"1;2;N;c4;c5;c6;c7;c8;c9;c10;c11",
                 {100000, 200000, {u"N", u"c4", u"c5", u"c6", u"c8", u"c7", u"c9", u"c10"}}},
                {"1;2;N;;c5;;c7", {100000, 200000, {u"N", u"", u"c5", u"", u"", u"c7"}}}};
  for (const auto& c : kCases) {
    Import(std::string(c.line) + "\n");
    EXPECT_EQ(Elements(), std::vector<Element>{c.expected}) << c.line;
    EXPECT_EQ(BadDataLines(), 0) << c.line;
  }
}

TEST_F(CsvImportTest, RejectedLinesGiveNoElement) {
  // files by the number of "Bad data" lines they give
  const std::map<int, std::vector<const char*>> kCases = {
      // fewer than three non-empty fields; comments, also ones that look like a directive or a
      // data line; nothing at all
      {0, {"1;2;\n", "1;;;2\n", "Name\n", ";1;2;Name\n", ";delimiter=,\n1,2,N\n", "", "\r\n\n\r"}},
      // three non-empty fields but an empty name; a scaled coordinate that is not a number or
      // does not fit 32 bits
      {1,
       {"1;2;;x\n", "1e10;2;N\n", "2;inf;N\n", "nan;2;N\n", "-3e9;2;N\n", "1e300;2;N\n",
        "21475;0;N\n", "0;-21475;N\n"}},
      {3, {"1;2;;x\n3;4;;y\r\n5;6;;z"}}};
  for (const auto& [badDataLines, texts] : kCases) {
    for (const char* text : texts) {
      EXPECT_EQ(Import(text), 0) << text;
      EXPECT_EQ(m_saved.calls, 0) << text;
      EXPECT_EQ(BadDataLines(), badDataLines) << text;
      EXPECT_EQ(m_window.lines.back(), u"Nothing to import - " + m_path) << text;
    }
  }
}

TEST_F(CsvImportTest, DirectivesAndLineEnds) {
  const struct {
    std::string text;
    std::vector<WString> names;
  } kCases[] = {{"delimiter=,\n1,2,Name\n", {u"Name"}},
                // only the one character after the ten is taken
                {"delimiter=;|\n1;2;Semi\n1|2|Bar\n", {u"Semi"}},
                // nothing after the ten characters: no delimiter at all
                {"delimiter=\n1;2;N\n", {}},
                {"delimiter=\t\n1\t2\tTab\n", {u"Tab"}},
                {"1,2,A\ndelimiter=,\n1,2,B\ndelimiter=|\n1|2|C\n1,2,D\n", {u"B", u"C"}},
                // case-sensitive: a data line of one field
                {"Delimiter=,\n1,2,N\n1;2;M\n", {u"M"}},
                {"1;1;A\r2;2;B\r\n\r\n\n3;3;C\n\r4;4;D", {u"A", u"B", u"C", u"D"}},
                // the odd last byte of UTF-16 is left out
                {Utf16File("1;2;N") + "X", {u"N"}}};
  for (const auto& c : kCases) {
    Import(c.text);
    EXPECT_EQ(Names(), c.names) << c.text;
    EXPECT_EQ(BadDataLines(), 0) << c.text;
  }
}

TEST_F(CsvImportTest, ThreeEncodingsGiveIdenticalElements) {
  const std::string text =
      "; comment\r\n8.5;47.25;Z\xC3\xBCrich;Bahnhofstra\xC3\x9F"
      "e\r\ndelimiter=|\r\n2.25|48.75|Caf\xC3\xA9 de Flore\r\n";
  const std::vector<Element> expected{{850000, 4725000, {u"Z\u00FCrich", u"Bahnhofstra\u00DFe"}},
                                      {225000, 4875000, {u"Caf\u00E9 de Flore"}}};
  const std::string windows1252 =
      "; comment\r\n8.5;47.25;Z\xFCrich;Bahnhofstra\xDF"
      "e\r\ndelimiter=|\r\n2.25|48.75|Caf\xE9 de Flore\r\n";
  for (const std::string& file : {Utf16File(text), Utf8File(text), windows1252}) {
    Import(file);
    EXPECT_EQ(Elements(), expected) << test::Hex({file.begin(), file.end()});
  }
}

TEST_F(CsvImportTest, GoodFileIsHandedToTheOutputStep) {
  EXPECT_EQ(Import("1;2;A\n3;-4;B\n", "my.pois.csv"), kSaveResult);
  EXPECT_EQ(m_saved.calls, 1);
  EXPECT_EQ(m_saved.folder, FromNativePath(m_folder.Path()));
  EXPECT_EQ(m_saved.title, u"my");
  EXPECT_EQ(m_saved.bounds, (BoundingRect{100000, 200000, 300000, -400000}));
  EXPECT_EQ(m_window.lines, LogOf({}));
  EXPECT_EQ(m_window.progress, (std::vector<std::int32_t>{0, 100}));
  Import("1;2;;x\n1;2;N\n");
  EXPECT_EQ(m_window.lines, LogOf({u"Bad data - "}));
  EXPECT_EQ(Names(), std::vector<WString>{u"N"});
  EXPECT_THROW(ImportCsvFile(m_path, test::ThrowingSave), std::runtime_error);
}

TEST_F(CsvImportTest, FileWithoutGoodLinesIsNotHandedOn) {
  EXPECT_EQ(Import("; only a comment\n"), 0);
  EXPECT_EQ(m_window.lines, LogOf({u"Nothing to import - "}));
  EXPECT_EQ(m_window.progress, std::vector<std::int32_t>{0});
}

TEST_F(CsvImportTest, FileThatCannotBeReadWholeFailsToOpen) {
  // 2 GiB of nothing: a sparse file takes no space on disk
  const std::filesystem::path huge = m_folder.Path() / "huge.csv";
  test::WriteBytes(huge, {});
  std::filesystem::resize_file(huge, std::uintmax_t{1} << 31);
  // Linux reports 4096 bytes for the last one and delivers a few
  for (const WString& path : {m_folder.File("missing.csv"), m_folder.File("huge.csv"),
                              WString(u"/sys/devices/system/cpu/online")}) {
    m_path = path;
    m_window.lines.clear();
    EXPECT_EQ(ImportCsvFile(m_path, test::RecordInto(m_saved)), -1);
    EXPECT_EQ(m_window.lines, LogOf({u"Failed to open - "}));
    EXPECT_EQ(m_saved.calls, 0);
  }
}

// 1024 lines of 16 bytes: chunks start at 0, 4112, 8224 and 12336 (each runs from its start
// past 4096 bytes to the end of that line), so reading posts 30 * start / 16384 = 7, 15, 22.
// In UTF-16 the same counts hold in units.
TEST_F(CsvImportTest, ChunksPostTheReadingProgress) {
  for (const std::string& file : {NumberedLines(1024), Utf16File(NumberedLines(1024))}) {
    m_window.progress.clear();
    g_nLastPercent = -1;
    Import(file);
    EXPECT_EQ(m_saved.elements.size(), 1024u);
    EXPECT_EQ(m_window.progress, (std::vector<std::int32_t>{0, 7, 15, 22, 100}));
  }
}

TEST_F(CsvImportTest, CharactersAndLinesAreNeverSplitBetweenChunks) {
  std::string text;
  // 4 + 12 + 1 bytes a line: the chunk searches start in the middle of characters
  for (int i = 0; i < 700; ++i) text += "1;2;\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\n";
  Import(Utf8File(text));
  EXPECT_EQ(Names(), std::vector<WString>(700, u"\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"));
  const std::string name(10000, 'L');
  Import("1;2;A\n1;2;" + name + "\n1;2;B");
  EXPECT_EQ(Names(), (std::vector<WString>{u"A", Utf8ToWide(name), u"B"}));
}

// Every prefix of "1;2;A\n3;4;B\n" imports the whole lines it holds. Counted in characters of
// the text: "1;2;A" needs all of its 5, line B its 5 after the line feed at 5; a cut inside the
// marker leaves 8-bit text of one or two characters, which is no data line.
TEST_F(CsvImportTest, EveryPrefixImportsItsWholeLines) {
  const std::string text = "1;2;A\n3;4;B\n";
  const struct {
    std::string file;
    std::size_t markerBytes;
    std::size_t unitBytes;
  } kFiles[] = {{text, 0, 1}, {Utf8File(text), 3, 1}, {Utf16File(text), 2, 2}};
  for (const auto& file : kFiles) {
    for (std::size_t cut = 0; cut <= file.file.size(); ++cut) {
      const std::size_t characters =
          cut < file.markerBytes ? cut : (cut - file.markerBytes) / file.unitBytes;
      std::vector<WString> expected;
      if (cut >= file.markerBytes && characters >= 5) expected.push_back(u"A");
      if (cut >= file.markerBytes && characters >= 11) expected.push_back(u"B");
      const std::int32_t result = Import(file.file.substr(0, cut));
      EXPECT_EQ(Names(), expected) << file.markerBytes << ", " << cut << " bytes";
      EXPECT_EQ(result, expected.empty() ? 0 : kSaveResult) << file.markerBytes << ", " << cut;
      EXPECT_EQ(BadDataLines(), 0) << file.markerBytes << ", " << cut;
    }
  }
}

// A zero unit ends the chunk's text. Lines 0..1023 of NumberedLines(1024); lines cut off at the
// zero and before the next chunk are lost.
TEST_F(CsvImportTest, ZeroUnitEndsTheChunksText) {
  const struct {
    std::size_t zeroAt;  // unit index in the text behind any marker
    int lostFrom;
    int lostTo;
  } kCases[] = {
      // in line 10 ("1;2" is left, too few fields): the rest of the first chunk, up to the end
      // of line 256, is lost; the next chunk starts at line 257 as before
      {10 * 16 + 3, 10, 256},
      // in line 256, after the search start: no line feed is found, the first chunk is the last
      {256 * 16 + 3, 256, 1023},
      {1000 * 16 + 3, 1000, 1023}};
  for (const auto& c : kCases) {
    std::vector<WString> expected;
    for (int i = 0; i < 1024; ++i) {
      if (i < c.lostFrom || i > c.lostTo) expected.push_back(Utf8ToWide(Numbered(i)));
    }
    std::string text = NumberedLines(1024);
    std::string utf16 = Utf16File(text);
    text[c.zeroAt] = '\0';
    utf16[2 + 2 * c.zeroAt] = '\0';
    for (const std::string& file : {text, utf16}) {
      Import(file);
      EXPECT_EQ(Names(), expected) << c.zeroAt << ", " << file.size() << " bytes";
    }
  }
}

// Each chunk of NumberedLines(1024) runs from its start past 4096 units to the end of that line:
// the first search starts at 4096 in line 256, whose line feed stands at 4111; the next chunk
// starts at 4112, and so on. The fourth search would start beyond the 16384 bytes, so the fourth
// chunk is the last. In UTF-16 the same counts hold in units of two bytes behind the marker.
TEST_F(CsvImportTest, ChunksEndAtTheFirstLineFeedAfter4096Units) {
  const std::string text = NumberedLines(1024);
  const std::string utf16 = Utf16File(text);
  const auto widen = [&text](std::size_t from, std::size_t count) {
    return WString(text.begin() + static_cast<long>(from),
                   text.begin() + static_cast<long>(from + count));
  };
  const Chunks narrow{{0, widen(0, 4111)},
                      {4112, widen(4112, 4111)},
                      {8224, widen(8224, 4111)},
                      {12336, widen(12336, 4048)}};
  const Chunks wide{{2, widen(0, 4111)},
                    {8226, widen(4112, 4111)},
                    {16450, widen(8224, 4111)},
                    {24674, widen(12336, 4048)}};
  for (const std::size_t block : kBlockSizes) {
    Write(text);
    EXPECT_EQ(ReadChunks(block), narrow) << block;
    Write(utf16);
    EXPECT_EQ(ReadChunks(block), wide) << block;
  }
}

TEST_F(CsvImportTest, SmallFiles) {
  const struct {
    std::string bytes;
    Chunks expected;
  } kCases[] = {{"", {{0, u""}}},
                {"\xFF\xFE", {{2, u""}}},
                {"\xEF\xBB\xBF", {{3, u""}}},
                {"\xEF\xBB\xBF\xC3\xA9\n", {{3, u"\u00E9\n"}}},
                // half a UTF-8 marker is 8-bit text
                {"\xEF\xBB", {{0, u"\u00EF\u00BB"}}},
                // the search starts at the end, so the chunk runs there; its text stops at the
                // zero
                {std::string("ab\0c\nd", 6), {{0, u"ab"}}},
                {std::string("\xFF\xFE"
                             "a\0\0\0b\0",
                             8),
                 {{2, u"a"}}}};
  for (const auto& c : kCases) {
    Write(c.bytes);
    for (const std::size_t block : kBlockSizes) {
      EXPECT_EQ(ReadChunks(block), c.expected) << test::Hex({c.bytes.begin(), c.bytes.end()});
    }
  }
}

// Random files with markers, long and short lines, carriage returns and zeros read alike
// whatever the block size, down to one byte at a time.
TEST_F(CsvImportTest, EveryBlockSizeGivesTheSameChunks) {
  const std::vector<std::string> pieces = {"1;2;Name", std::string(3000, 'x'), "\n", "\r\n",
                                           "\xC3\xA9", std::string(1, '\0')};
  const std::vector<std::string> markers = {"", "\xFF\xFE", "\xEF\xBB\xBF"};
  std::mt19937 random(99);
  for (int round = 0; round < 60; ++round) {
    std::string bytes = markers[random() % markers.size()];
    for (std::size_t n = random() % 30; n > 0; --n) {
      const std::string& piece = pieces[random() % pieces.size()];
      // zeros are rare, so that most files are read to their end
      if (piece[0] == '\0' && random() % 4 != 0) continue;
      bytes += piece;
    }
    Write(bytes);
    const Chunks whole = ReadChunks(CCsvChunkReader::kDefaultBlockBytes);
    for (const std::size_t block : {1, 5, 4096, 4099}) {
      ASSERT_EQ(ReadChunks(block), whole) << "round " << round << ", block " << block;
    }
  }
}

// The file reports 1600000 bytes when it is opened and delivers 1200000: the chunks of the block
// read at the start come, then the reading stops.
TEST_F(CsvImportTest, FileThatShrinksWhileReadIsShort) {
  Write(NumberedLines(100000));
  CCsvChunkReader reader;
  ASSERT_TRUE(reader.Open(m_folder.File("pois.csv")));
  std::filesystem::resize_file(m_folder.Path() / "pois.csv", 1200000);
  CCsvChunkReader::Result result;
  std::uint64_t chunks = 0;
  while ((result = reader.ReadNextChunk()) == CCsvChunkReader::Result::kChunk) {
    ++chunks;
    ASSERT_LT(reader.GetChunkStart(), 1200000u);
  }
  EXPECT_EQ(result, CCsvChunkReader::Result::kShortFile);
  EXPECT_GT(chunks, 0u);
  EXPECT_FALSE(reader.Open(m_folder.File("missing.csv")));
}

}  // namespace
}  // namespace tavi
