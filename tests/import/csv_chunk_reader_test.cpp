#include "import/csv_chunk_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "support/test_support.h"

namespace tavi {
namespace {

struct Chunk {
  std::uint64_t start;
  WString text;
  friend bool operator==(const Chunk&, const Chunk&) = default;
  friend void PrintTo(const Chunk& chunk, std::ostream* out) {
    *out << chunk.start << ": " << WideToUtf8(chunk.text).substr(0, 40) << " (" << chunk.text.size()
         << " units)";
  }
};

struct Reading {
  std::vector<Chunk> chunks;
  CCsvChunkReader::Result last = CCsvChunkReader::Result::kEnd;
  friend bool operator==(const Reading&, const Reading&) = default;
  friend void PrintTo(const Reading& reading, std::ostream* out) {
    *out << testing::PrintToString(reading.chunks) << ", then " << static_cast<int>(reading.last);
  }
};

constexpr std::size_t kBlockSizes[] = {
    1, 2, 3, 16, 4095, 4096, 4097, 10000, CCsvChunkReader::kDefaultBlockBytes};

// "1;2;N" and ten digits of i: 16 bytes with the line feed, so 256 lines fill 4096 bytes.
std::string NumberedLines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const std::string digits = std::to_string(i);
    text += "1;2;N" + std::string(10 - digits.size(), '0') + digits + "\n";
  }
  return text;
}

WString Widen(const std::string& ascii) {
  return WString(ascii.begin(), ascii.end());
}

std::string Utf16(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

class CsvChunkReaderTest : public testing::Test {
 protected:
  void Write(const std::string& bytes) {
    test::WriteBytes(m_folder.Path() / "t.csv", {bytes.begin(), bytes.end()});
  }
  Reading ReadAll(std::size_t blockBytes) const {
    CCsvChunkReader reader(blockBytes);
    EXPECT_TRUE(reader.Open(m_folder.File("t.csv")));
    Reading reading;
    while ((reading.last = reader.ReadNextChunk()) == CCsvChunkReader::Result::kChunk) {
      reading.chunks.push_back({reader.GetChunkStart(), WString(reader.Text())});
    }
    return reading;
  }

  test::TempFolder m_folder;
};

// Each chunk runs from its start past 4096 units to the end of that line: the first search starts
// at 4096 in line 256, whose line feed stands at 4111; the next chunk starts at 4112, and so on.
// The fourth search would start beyond the 16384 bytes, so the fourth chunk is the last.
TEST_F(CsvChunkReaderTest, ChunksEndAtTheFirstLineFeedAfter4096Units) {
  const std::string text = NumberedLines(1024);
  const Reading expected{{{0, Widen(text.substr(0, 4111))},
                          {4112, Widen(text.substr(4112, 4111))},
                          {8224, Widen(text.substr(8224, 4111))},
                          {12336, Widen(text.substr(12336, 4048))}}};
  Write(text);
  for (const std::size_t block : kBlockSizes) EXPECT_EQ(ReadAll(block), expected) << block;
}

// The same in units of two bytes behind the marker.
TEST_F(CsvChunkReaderTest, Utf16ChunksCountUnits) {
  const std::string text = NumberedLines(1024);
  const Reading expected{{{2, Widen(text.substr(0, 4111))},
                          {8226, Widen(text.substr(4112, 4111))},
                          {16450, Widen(text.substr(8224, 4111))},
                          {24674, Widen(text.substr(12336, 4048))}}};
  Write(Utf16(text));
  for (const std::size_t block : kBlockSizes) EXPECT_EQ(ReadAll(block), expected) << block;
}

struct SmallFileCase {
  const char* what;
  std::string bytes;
  Reading expected;
};

class CsvChunkReaderSmallTest : public CsvChunkReaderTest,
                                public testing::WithParamInterface<SmallFileCase> {};

TEST_P(CsvChunkReaderSmallTest, GivesItsChunks) {
  Write(GetParam().bytes);
  for (const std::size_t block : kBlockSizes) {
    EXPECT_EQ(ReadAll(block), GetParam().expected) << GetParam().what << ", block " << block;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CsvChunkReaderSmallTest,
    testing::Values(SmallFileCase{"empty", "", {{{0, u""}}}},
                    SmallFileCase{"UTF-16 marker alone", "\xFF\xFE", {{{2, u""}}}},
                    SmallFileCase{"UTF-8 marker alone", "\xEF\xBB\xBF", {{{3, u""}}}},
                    SmallFileCase{"UTF-8 text", "\xEF\xBB\xBF\xC3\xA9\n", {{{3, u"\u00E9\n"}}}},
                    SmallFileCase{"half a UTF-8 marker", "\xEF\xBB", {{{0, u"\u00EF\u00BB"}}}},
                    SmallFileCase{"odd last byte of UTF-16",
                                  std::string("\xFF\xFE"
                                              "a\0b",
                                              5),
                                  {{{2, u"a"}}}},
                    SmallFileCase{"big-endian marker", "\xFE\xFF", {{{0, u"\u00FE\u00FF"}}}},
                    // the search starts at the end, so the chunk runs there; its text stops at
                    // the zero
                    SmallFileCase{"zero byte", std::string("ab\0c\nd", 6), {{{0, u"ab"}}}},
                    SmallFileCase{"zero unit",
                                  std::string("\xFF\xFE"
                                              "a\0\0\0b\0",
                                              8),
                                  {{{2, u"a"}}}}));

// Random files with markers, long and short lines, carriage returns and zeros read alike
// whatever the block size, down to one byte at a time.
TEST_F(CsvChunkReaderTest, EveryBlockSizeGivesTheSameChunks) {
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
    const Reading whole = ReadAll(CCsvChunkReader::kDefaultBlockBytes);
    for (const std::size_t block : {1, 5, 4096, 4099}) {
      ASSERT_EQ(ReadAll(block), whole) << "round " << round << ", block " << block;
    }
  }
}

// The file reports 1600000 bytes when it is opened and delivers 1200000: the chunks of the block
// read at the start come, then the reading stops.
TEST_F(CsvChunkReaderTest, FileThatShrinksWhileReadIsShort) {
  Write(NumberedLines(100000));
  CCsvChunkReader reader;
  ASSERT_TRUE(reader.Open(m_folder.File("t.csv")));
  std::filesystem::resize_file(m_folder.Path() / "t.csv", 1200000);
  CCsvChunkReader::Result result;
  std::uint64_t chunks = 0;
  while ((result = reader.ReadNextChunk()) == CCsvChunkReader::Result::kChunk) {
    ++chunks;
    ASSERT_LT(reader.GetChunkStart(), 1200000u);
  }
  EXPECT_EQ(result, CCsvChunkReader::Result::kShortFile);
  EXPECT_GT(chunks, 0u);
}

TEST_F(CsvChunkReaderTest, MissingFileDoesNotOpen) {
  CCsvChunkReader reader;
  EXPECT_FALSE(reader.Open(m_folder.File("missing.csv")));
}

}  // namespace
}  // namespace tavi
