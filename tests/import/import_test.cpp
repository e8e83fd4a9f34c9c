#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "import/bounds.h"
#include "import/csv_chunk_reader.h"
#include "import/csv_importer.h"
#include "import/gep_importer.h"
#include "import/path_parts.h"
#include "platform/code_page.h"
#include "platform/path.h"
#include "support/test_support.h"
#include "text/string_conversion.h"
#include "writer/tavi_file.h"

namespace tavi {
namespace {

using Chunks = std::vector<std::pair<std::uint64_t, WString>>;  // start and text of each chunk

// What an importer hands to the output step, and what it logs and posts meanwhile.
struct SImport {
  std::int32_t result = 0;
  std::vector<WString> names;
  BoundingRect bounds;
  WString folder, title;
  std::vector<WString> lines;
  std::vector<std::int32_t> percents;
  bool failed = false;
};

SImport Import(const WString& path) {
  test::CRecordingWindow window;
  SImport import;
  const auto save = [&import](const BoundingRect& bounds, const WString& folder,
                              CElementArena&& elements, const WString& title) {
    CElementArena::SCursor cursor;
    CElementArena::Ref ref = 0;
    while (elements.Next(cursor, ref))
      import.names.push_back(Utf8ToWide(elements.View(ref).Text(kSlotName)));
    import.bounds = bounds;
    import.folder = folder;
    import.title = title;
    return 7;
  };
  const bool gep = path.ends_with(u".gep");
  SFileResult result;
  import.result = gep ? ImportGepFile(path, save, result) : ImportCsvFile(path, save, result);
  import.lines = window.lines;
  import.percents = window.percents;
  import.failed = result.failed;
  return import;
}

std::string Utf16(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (const WChar unit : Utf8ToWide(utf8))
    bytes += {static_cast<char>(unit), static_cast<char>(unit >> 8)};
  return bytes;
}

// 1024 lines of 16 bytes, "1;2;N0000000000" to "1;2;N0000001023".
std::string NumberedLines() {
  std::string text;
  for (int i = 0; i < 1024; ++i) {
    const std::string digits = std::to_string(i);
    text += "1;2;N" + std::string(10 - digits.size(), '0') + digits + "\n";
  }
  return text;
}

Chunks ReadChunks(const WString& path, std::size_t blockBytes) {
  CCsvChunkReader reader(blockBytes);
  EXPECT_TRUE(reader.Open(path));
  Chunks chunks;
  CCsvChunkReader::Result result;
  while ((result = reader.ReadNextChunk()) == CCsvChunkReader::Result::kChunk) {
    WString text(reader.Text());
    if (!reader.IsWide()) DecodeMultiByte(reader.Bytes(), reader.GetCodePage(), text);
    chunks.emplace_back(reader.GetChunkStart(), text);
  }
  EXPECT_EQ(result, CCsvChunkReader::Result::kEnd);
  return chunks;
}

// A chunk runs from its start past 4096 units to the end of that line, so that no line is split:
// the chunks of 1024 lines of 16 bytes start at 0, 4112, 8224 and 12336, counted in units of
// UTF-16 behind its marker too. However the file is read in blocks, down to a byte at a time, the
// chunks are the same; so they are for random files with markers, long and short lines, carriage
// returns and zeros.
TEST(CsvImport, ChunksEndAtALineFeedWhateverTheBlockSize) {
  test::TempFolder folder;
  const std::string text = NumberedLines();
  for (const auto& [path, unit, marker] : {std::tuple{folder.Write("n.csv", text), 1u, 0u},
                                           {folder.Write("w.csv", Utf16(text)), 2u, 2u}}) {
    for (const std::size_t block : {std::size_t{1}, CCsvChunkReader::kDefaultBlockBytes}) {
      std::vector<std::uint64_t> starts;
      WString joined;
      for (const auto& [start, chunk] : ReadChunks(path, block)) {
        starts.push_back((start - marker) / unit);
        joined += (joined.empty() ? u"" : u"\n") + chunk;
      }
      EXPECT_EQ(starts, (std::vector<std::uint64_t>{0, 4112, 8224, 12336}));
      EXPECT_EQ(joined, WString(text.begin(), text.end()));
    }
  }
  const std::vector<std::string> pieces = {
      "1;2;Name", std::string(3000, 'x'), "\n",       "\r\n",
      "\xC3\xA9", std::string(1, '\0'),   "\xFF\xFE", "\xEF\xBB\xBF"};
  std::mt19937 random(99);
  for (int round = 0; round < 60; ++round) {
    std::string bytes;
    for (std::size_t n = random() % 30; n > 0; --n) {
      const std::string& piece = pieces[random() % pieces.size()];
      if (piece[0] != '\0' || random() % 4 == 0)
        bytes += piece;  // few zeros: most files are read to the end
    }
    const WString path = folder.Write("random.csv", bytes);
    const Chunks whole = ReadChunks(path, CCsvChunkReader::kDefaultBlockBytes);
    for (const std::size_t block : {1, 5, 4096, 4099})
      ASSERT_EQ(ReadChunks(path, block), whole) << round;
  }
}

// The reading moves the bar from 0 to 30 chunk by chunk (30 * start / 16384 = 7, 15, 22), and
// the end of the file puts it at 100.
TEST(CsvImport, ReadingProgress) {
  test::TempFolder folder;
  for (const std::string& file : {NumberedLines(), Utf16(NumberedLines())}) {
    const SImport import = Import(folder.Write("n.csv", file));
    EXPECT_EQ(import.names.size(), 1024u);
    EXPECT_EQ(import.percents, (std::vector<std::int32_t>{0, 7, 15, 22, 100}));
  }
}

// Every prefix of a small file imports the whole lines it holds, in each encoding, and names the
// line it cut short: "1;2;A" needs all of its 5 characters, line B its 5 behind the line feed. A
// cut inside a marker leaves 8-bit text of one or two characters, taken for a header.
TEST(CsvImport, EveryPrefixImportsItsWholeLinesAndNamesTheCutOne) {
  test::TempFolder folder;
  const WString path = folder.File("cut.csv");
  const std::string text = "1;2;A\n3;4;B\n";
  for (const auto& [file, marker, unit] :
       {std::tuple{text, 0u, 1u}, {"\xEF\xBB\xBF" + text, 3u, 1u}, {Utf16(text), 2u, 2u}}) {
    for (std::size_t cut = 0; cut <= file.size(); ++cut) {
      const std::size_t characters = cut < marker ? 0 : (cut - marker) / unit;
      std::vector<WString> names, lines{u"\r\n", u"Importing csv - " + path};
      if (characters >= 5) names.push_back(u"A");
      if (characters >= 11) names.push_back(u"B");
      for (const auto& [first, last, line] : {std::tuple{1u, 4u, u"1"}, {7u, 10u, u"2"}}) {
        if (characters >= first && characters <= last)
          lines.push_back(u"Bad data - " + path + u" (line " + line +
                          u": fewer than three fields)");
      }
      if (names.empty()) lines.push_back(u"Nothing to import - " + path);
      const SImport import = Import(folder.Write("cut.csv", file.substr(0, cut)));
      EXPECT_EQ(import.names, names) << marker << ", " << cut;
      EXPECT_EQ(import.result, names.empty() ? 0 : 7);
      EXPECT_EQ(import.lines, lines) << marker << ", " << cut;
    }
  }
}

// Without a marker the 64 KiB from the first non-ASCII byte decide: valid UTF-8, a sequence cut
// at the window's end included, makes the file UTF-8, where a bad byte further on becomes one
// U+FFFD; a bad byte inside the window makes it Windows-1252.
TEST(CsvImport, EncodingIsTakenFromTheFirstNonAsciiBytes) {
  test::TempFolder folder;
  const std::string edge = "1;2;" + std::string(65528, 'x') + "\xC3\xA9\n";  // \xC3 at 65539
  const WString edgeName = WString(65528, u'x') + u"\u00E9";
  const std::tuple<std::string, std::vector<WString>> cases[] = {
      {"1;2;\xC3\xA9\n" + edge + "1;2;\xFC\n", {u"\u00E9", edgeName, u"\uFFFD"}},
      {"1;2;\xC3\xA9\n1;2;\xFC\n", {u"\u00C3\u00A9", u"\u00FC"}},
      {"1;2;a\n1;2;Z\xFCrich\n", {u"a", u"Z\u00FCrich"}}};
  for (const auto& [text, names] : cases) {
    EXPECT_EQ(Import(folder.Write("e.csv", text)).names, names) << text.size();
  }
}

// Writes the elements an importer hands over to folder/sub/pois.tavi and returns its bytes.
test::Bytes Saved(const test::TempFolder& folder, const std::string& sub,
                  const BoundingRect& bounds, CElementArena&& elements) {
  std::filesystem::create_directories(folder.Path() / sub);
  CCustomTaviFile file;
  EXPECT_TRUE(file.Create(folder.File(sub + "/pois.tavi"), bounds));
  EXPECT_EQ(file.AddElementsAndSave(std::move(elements)), 1);
  return test::ReadBytes(folder.Path() / sub / "pois.tavi");
}

// The same POIs read from a text file, in each encoding, and handed over as element objects, as
// the GEP importer and a file read back hand theirs, give the same file byte for byte. Some names
// are quoted around a separator and a directive changes the separator half-way, so that lines take
// the decoding path as well as the one that splits bytes.
TEST(CsvImport, TextAndElementObjectsGiveTheSameFile) {
  test::TempFolder folder;
  std::mt19937 random(11);
  const std::string letters = "abcXYZ0189.-\xE9\xFC\xDF\x80\xC5";  // Windows-1252
  const auto text = [&](std::size_t most) {
    std::string t;
    for (std::size_t n = random() % most; n > 0; --n) t += letters[random() % letters.size()];
    return t;
  };
  std::string ansi;
  ElementArray elements;
  for (int i = 0; i < 400; ++i) {
    const auto degrees = [&](std::int64_t limit) {
      const auto units = static_cast<std::int64_t>(random() % (2 * limit + 1)) - limit;
      return (units < 0 ? "-" : "") + std::to_string(std::llabs(units) / 100000) + "." +
             std::to_string(100000 + std::llabs(units) % 100000).substr(1);
    };
    const std::string x = degrees(18000000), y = degrees(9000000), name = "N" + text(12);
    const char separator = i < 200 ? ';' : '|';
    if (i == 200) ansi += "delimiter=|\n";
    ansi += x + separator + y + separator + (i % 7 == 0 ? "\"" + name + ";\"" : name);
    auto element = std::make_unique<CTaviElement>();
    element->SetName(AnsiToWide(i % 7 == 0 ? name + ";" : name));
    element->SetPosition({DegreesToUnits(std::stod(x)), DegreesToUnits(std::stod(y))});
    CTaviDetails& details = *element->details;
    CCompactString* const further[] = {&details.address->addr1, &details.extra2, &details.extra3,
                                       &details.extra5,         &details.extra4, &details.text1,
                                       &details.text2};
    for (std::size_t k = 0, count = random() % 8; k < count; ++k) {
      const std::string field = text(20);
      ansi += separator + field;
      if (!field.empty()) *further[k] = AnsiToWide(field);
    }
    ansi += "\n";
    elements.push_back(std::move(element));
  }
  BoundingRect bounds;
  std::vector<test::Bytes> files;
  for (const std::string& bytes :
       {ansi, WideToUtf8(AnsiToWide(ansi)), Utf16(WideToUtf8(AnsiToWide(ansi)))}) {
    const WString path = folder.Write("pois.csv", bytes);
    const auto save = [&](const BoundingRect& read, const WString&, CElementArena&& records,
                          const WString&) {
      bounds = read;
      files.push_back(
          Saved(folder, "text" + std::to_string(files.size()), read, std::move(records)));
      return 1;
    };
    SFileResult result;
    EXPECT_EQ(ImportCsvFile(path, save, result), 1);
  }
  ASSERT_EQ(files.size(), 3u);
  const test::Bytes objects = Saved(folder, "objects", bounds, std::move(elements));
  for (const test::Bytes& file : files) EXPECT_EQ(file, objects);
}

// A file larger than 2 GiB would take more memory than any conversion has: refused before it
// is read. So is a file that delivers less than its length, like those the system makes up.
TEST(CsvImport, FilesThatCannotBeReadWhole) {
  test::TempFolder folder;
  const WString huge = folder.Write("huge.csv", "");
  std::filesystem::resize_file(folder.Path() / "huge.csv", std::uintmax_t{1} << 31);  // sparse
  for (const WString& path :
       {huge, folder.File("none.csv"), WString(u"/sys/devices/system/cpu/online")}) {
    const SImport import = Import(path);
    EXPECT_EQ(import.result, -1);
    ASSERT_EQ(import.lines.size(), 3u);
    EXPECT_EQ(import.lines[1], u"Importing csv - " + path);
    EXPECT_TRUE(import.lines[2].starts_with(u"Failed to open - " + path + u" ("));
  }
  // A file that shrinks while it is read ends with what its first block held.
  const WString path = folder.Write("shrinks.csv", std::string(1600000, '\n'));
  CCsvChunkReader reader;
  ASSERT_TRUE(reader.Open(path));
  std::filesystem::resize_file(folder.Path() / "shrinks.csv", 1200000);
  CCsvChunkReader::Result result;
  while ((result = reader.ReadNextChunk()) == CCsvChunkReader::Result::kChunk) {
    ASSERT_LT(reader.GetChunkStart(), 1200000u);
  }
  EXPECT_EQ(result, CCsvChunkReader::Result::kShortFile);
}

// The GEP file of the command-line case "gep", cut anywhere, gives the POIs that whole file gives
// as far as they are there, and nothing read past the end. Its rectangles start at 19 and 152.
TEST(GepImport, EveryPrefixYieldsTheFirstPois) {
  test::TempFolder folder;
  const test::Bytes whole = test::ReadHexFile("tests/cli/data/gep/in/two.gep.hex");
  const std::vector<WString> all{u"Grimsel", u"Furka", u"Stelvio"};
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    const SImport import =
        Import(folder.Write("two.gep", {reinterpret_cast<const char*>(whole.data()), cut}));
    const auto n = static_cast<long>(std::min(import.names.size(), all.size()));
    EXPECT_EQ(import.names, std::vector<WString>(all.begin(), all.begin() + n)) << cut;
    EXPECT_EQ(import.names.size() == all.size(), cut == whole.size()) << cut;
    EXPECT_EQ(import.result == 7, n > 0) << cut;
    // A cut through a rectangle fails the file; one between rectangles leaves a whole file.
    EXPECT_EQ(import.failed, (cut > 19 && cut < 152) || (cut > 152 && cut < whole.size())) << cut;
  }
}

TEST(PathParts, FolderAndTitle) {
  const std::tuple<WString, WString, WString> cases[] = {
      {u"/data/my.pois.csv", u"/data", u"my"}, {u"/da.ta/name", u"/da.ta", u"name"},
      {u"/data/.hidden.csv", u"/data", u""},   {u"a/", u"a", u""},
      {u"/shops.csv", u"", u"shops"},          {u".csv", u"", u""},
      {u"name.tar.csv", u"", u"name"},         {u"C:\\data\\x.csv", u"", u"C:\\data\\x"}};
  for (const auto& [path, folder, title] : cases) {
    EXPECT_EQ(GetFolderPart(path), folder);
    EXPECT_EQ(GetTitlePart(path), title);
  }
}

// Rectangles as left, top, right, bottom.
TEST(Bounds, NormalisedIntoTheWorld) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const std::pair<BoundingRect, BoundingRect> normalised[] = {
      {{-19000000, 0, -17000000, 0}, {17000000, 0, 19000000, 0}},  // the east edge moves along
      {{19000000, 0, 21000000, 0}, {-17000000, 0, -15000000, 0}},
      {{-18000000, 0, 18000000, 0}, {-18000000, 0, 18000000, 0}},
      {{0, 9500000, 0, 9200000}, {0, -8500000, 0, -8800000}},
      {{0, -9100000, 0, -9500000}, {0, 8900000, 0, 8500000}},
      {{0, 9500000, 0, 8000000}, {0, 9000000, 0, 8000000}},  // only the north edge: clamped
      {{kMin, 0, kMax, 0}, {12516352, 0, kMax, 0}}};         // 60 turns; east saturates
  for (auto [rect, expected] : normalised) {
    NormalizeBounds(rect);
    EXPECT_EQ(rect, expected);
  }
  BoundingRect bounds;
  IncludePoint(bounds, {19000000, 100});  // the first point is taken as it stands
  EXPECT_EQ(bounds, (BoundingRect{19000000, 100, 19000000, 100}));
  bounds = {};
  IncludePoint(bounds, {kMin, kMin});
  IncludePoint(bounds, {kMax, kMax});
  EXPECT_EQ(bounds, (BoundingRect{12516352, 9000000, kMax, -5483648}));
  // Binary files: a point is taken a turn east or west when that lies nearer the centre.
  const std::tuple<BoundingRect, GeoPoint, BoundingRect> near[] = {
      {{17990000, 0, 17990000, 0}, {-17990000, 0}, {17990000, 0, 18010000, 0}},
      {{-17990000, 0, -17990000, 0}, {17990000, 0}, {17990000, 0, 18010000, 0}},
      {{100, 50, 200, 40}, {300, 10}, {100, 50, 300, 10}},
      {{0, 0, 0, 0}, {0, 9500000}, {0, 9000000, 0, 0}},
      {{-55000000, 0, -55000000, 0}, {17500000, 0}, {17000000, 0, 17500000, 0}},
      {{-17000000, 0, 17000000, 0}, {12500000, 0}, {-17000000, 0, 17000000, 0}},  // centre 0
      {{0, 0, 0, 0}, {kMax, 0}, {0, 0, 2111483647, 0}},
      {{0, 0, 0, 0}, {kMin, 0}, {12516352, 0, 2124000000, 0}}};
  for (auto [rect, point, expected] : near) {
    IncludePointNearCentre(rect, point);
    EXPECT_EQ(rect, expected);
  }
}

}  // namespace
}  // namespace tavi
