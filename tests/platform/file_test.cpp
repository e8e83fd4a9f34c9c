#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "support/test_support.h"

namespace tavi {
namespace {

using test::ReadBytes;
using test::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBig = 300 * 1024;  // larger than the file's own buffer

Bytes Pattern(std::size_t count, std::uint8_t seed = 0) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

void WriteAll(CFile& file, const Bytes& bytes) {
  file.Write(bytes.data(), bytes.size());
}

class FileTest : public ::testing::Test {
 protected:
  // Opens name for create-or-truncate writing.
  void Create(CFile& file, const char* name) {
    ASSERT_TRUE(file.Open(m_folder.File(name), CFile::modeCreate | CFile::modeWrite));
  }
  Bytes Content(const char* name) const { return ReadBytes(m_folder.Path() / name); }

  test::TempFolder m_folder;
};

TEST_F(FileTest, WriteThenReadBack) {
  const Bytes data = Pattern(1000);
  CFile out;
  Create(out, "a.bin");
  WriteAll(out, data);
  EXPECT_EQ(out.GetLength(), 1000u);
  out.Close();
  EXPECT_FALSE(out.IsOpen());
  EXPECT_NO_THROW(out.Close());
  EXPECT_EQ(Content("a.bin"), data);

  CFile in;
  ASSERT_TRUE(in.Open(m_folder.File("a.bin"), CFile::modeRead));
  Bytes back(1000);
  EXPECT_EQ(in.Read(back.data(), back.size()), 1000u);
  EXPECT_EQ(back, data);
  Create(out, "a.bin");
  EXPECT_EQ(out.GetLength(), 0u);
  WriteAll(out, {7});
  // reopening flushes what the first file was given
  Create(out, "b.bin");
  out.Close();
  EXPECT_EQ(Content("a.bin"), Bytes({7}));
}

TEST_F(FileTest, ReadIsShortAtTheEndAndSeekClampsAtZero) {
  WriteBytes(m_folder.Path() / "a.bin", Pattern(10));
  CFile in;
  ASSERT_TRUE(in.Open(m_folder.File("a.bin"), CFile::modeRead));
  Bytes buffer(16);
  EXPECT_EQ(in.Seek(6, CFile::begin), 6u);
  EXPECT_EQ(in.Read(buffer.data(), buffer.size()), 4u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), Bytes({42, 49, 56, 63}));
  EXPECT_EQ(in.Read(buffer.data(), buffer.size()), 0u);
  EXPECT_EQ(in.Seek(100, CFile::begin), 100u);
  EXPECT_EQ(in.Read(buffer.data(), buffer.size()), 0u);
  EXPECT_EQ(in.Seek(-20, CFile::current), 80u);
  EXPECT_EQ(in.Seek(-100, CFile::current), 0u);
  EXPECT_EQ(in.Seek(-1, CFile::begin), 0u);
  CFile closed;
  EXPECT_EQ(closed.Read(buffer.data(), 1), 0u);
}

// A record is written, then its link field is filled in afterwards: inside the buffered run,
// and before it once 400 KiB in small steps have moved the buffer on.
TEST_F(FileTest, PatchInsideAndBeforeTheBufferedRun) {
  CFile out;
  Create(out, "a.bin");
  WriteAll(out, Bytes(16, 0xAA));
  out.Seek(4, CFile::begin);
  WriteAll(out, {1, 2, 3, 4});
  out.Seek(16, CFile::begin);
  WriteAll(out, {0xBB});
  out.Close();
  EXPECT_EQ(Content("a.bin"), Bytes({0xAA, 0xAA, 0xAA, 0xAA, 1, 2, 3, 4, 0xAA, 0xAA, 0xAA, 0xAA,
                                     0xAA, 0xAA, 0xAA, 0xAA, 0xBB}));

  Bytes expected;
  Create(out, "b.bin");
  for (std::uint8_t i = 0; i < 200; ++i) {
    const Bytes chunk = Pattern(2048, i);
    WriteAll(out, chunk);
    expected.insert(expected.end(), chunk.begin(), chunk.end());
  }
  out.Seek(8, CFile::begin);
  WriteAll(out, {1, 2, 3, 4});
  out.Seek(static_cast<std::int64_t>(expected.size()), CFile::begin);
  WriteAll(out, {5, 6});
  out.Close();
  std::copy_n(Bytes{1, 2, 3, 4}.begin(), 4, expected.begin() + 8);
  expected.insert(expected.end(), {5, 6});
  EXPECT_EQ(Content("b.bin"), expected);
}

TEST_F(FileTest, LargeWritesLandWholeAndKeepOrder) {
  const Bytes big = Pattern(kBig, 3);
  CFile out;
  Create(out, "a.bin");
  WriteAll(out, {1, 2, 3});
  WriteAll(out, big);
  WriteAll(out, {4});
  out.Seek(1, CFile::begin);
  WriteAll(out, big);  // overlaps the small bytes that are still buffered
  out.Close();
  // 1, the second copy of big, the last two bytes of the first copy, 4.
  Bytes expected = {1};
  expected.insert(expected.end(), big.begin(), big.end());
  expected.insert(expected.end(), {big[kBig - 2], big[kBig - 1], 4});
  EXPECT_EQ(Content("a.bin"), expected);
}

// Random seeks, writes and reads must leave exactly what an in-memory copy holds; sizes straddle
// the buffer's size so that every path of the buffer is taken.
TEST_F(FileTest, RandomWritesMatchAModel) {
  std::mt19937 random(12345);
  const auto below = [&random](std::size_t bound) { return std::size_t{random()} % bound; };
  Bytes model;
  CFile file;
  Create(file, "a.bin");
  std::uint64_t position = 0;
  for (int step = 0; step < 400; ++step) {
    const std::size_t kind = below(10);
    if (kind < 3) {
      position = below(model.size() + 1000);
      file.Seek(static_cast<std::int64_t>(position), CFile::begin);
    } else if (kind < 9) {
      const std::size_t count = below(20) == 0 ? 200000 + below(100000) : below(64);
      const Bytes data = Pattern(count, static_cast<std::uint8_t>(step));
      WriteAll(file, data);
      if (model.size() < position + count) model.resize(position + count);
      std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(position));
      position += count;
    } else {
      Bytes back(below(100));
      const std::size_t got = file.Read(back.data(), back.size());
      const std::size_t left = position < model.size() ? model.size() - position : 0;
      ASSERT_EQ(got, std::min(back.size(), left)) << "step " << step;
      for (std::size_t i = 0; i < got; ++i) ASSERT_EQ(back[i], model[position + i]);
      position += got;
    }
    ASSERT_EQ(file.GetPosition(), position) << "step " << step;
    ASSERT_EQ(file.GetLength(), model.size()) << "step " << step;
  }
  file.Close();
  EXPECT_EQ(Content("a.bin"), model);
}

TEST_F(FileTest, OpenFailsAndWritingWithoutWriteModeThrows) {
  CFile file;
  std::filesystem::create_directory(m_folder.Path() / "folder");
  EXPECT_FALSE(file.Open(m_folder.File("missing/a.bin"), CFile::modeCreate | CFile::modeWrite));
  EXPECT_FALSE(file.Open(m_folder.File("missing.bin"), CFile::modeRead));
  EXPECT_FALSE(file.Open(m_folder.File("folder"), CFile::modeCreate | CFile::modeWrite));
  EXPECT_FALSE(file.Open(u"", CFile::modeRead));
  // A named pipe is refused at once instead of waiting for a writer.
  ASSERT_EQ(::mkfifo((m_folder.Path() / "pipe.csv").c_str(), 0600), 0);
  EXPECT_FALSE(file.Open(m_folder.File("pipe.csv"), CFile::modeRead));
  EXPECT_FALSE(file.Open(m_folder.File("folder"), CFile::modeRead));
  EXPECT_FALSE(file.IsOpen());
  // writing a file that is not open for writing throws
  const std::uint8_t byte = 0;
  EXPECT_THROW(file.Write(&byte, 1), CFileException);
  WriteBytes(m_folder.Path() / "a.bin", {1});
  ASSERT_TRUE(file.Open(m_folder.File("a.bin"), CFile::modeRead));
  EXPECT_THROW(file.Write(&byte, 1), CFileException);
}

// Whatever was written before a file is dropped without Close reaches the disk, as it would with
// an unbuffered file.
TEST_F(FileTest, BufferedBytesSurviveAbortAndDestruction) {
  {
    CFile out;
    Create(out, "a.bin");
    WriteAll(out, {1, 2, 3});
  }
  EXPECT_EQ(Content("a.bin"), Bytes({1, 2, 3}));
  CFile out;
  Create(out, "b.bin");
  WriteAll(out, {4, 5});
  out.Abort();
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(Content("b.bin"), Bytes({4, 5}));
  EXPECT_TRUE(CFile::Remove(m_folder.File("b.bin")));
  EXPECT_FALSE(std::filesystem::exists(m_folder.Path() / "b.bin"));
  EXPECT_FALSE(CFile::Remove(m_folder.File("b.bin")));
}

TEST(FileErrorTest, FullDeviceFailsOnCloseAndOnLargeWrite) {
  CFile out;
  if (!out.Open(u"/dev/full", CFile::modeWrite)) GTEST_SKIP() << "/dev/full is not available";
  WriteAll(out, {1, 2, 3, 4});
  EXPECT_THROW(out.Close(), CFileException);
  EXPECT_FALSE(out.IsOpen());
  ASSERT_TRUE(out.Open(u"/dev/full", CFile::modeWrite));
  EXPECT_THROW(WriteAll(out, Pattern(kBig)), CFileException);
}

}  // namespace
}  // namespace tavi
