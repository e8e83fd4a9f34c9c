#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <random>
#include <vector>

#include "support/test_support.h"

namespace tavi {
namespace {

using test::ReadBytes;
using test::TempFolder;
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

std::size_t Below(std::mt19937& random, std::size_t bound) {
  return static_cast<std::size_t>(random()) % bound;
}

class FileTest : public ::testing::Test {
 protected:
  WString PathOf(const char* name) const { return m_folder.File(name); }
  std::filesystem::path NativeOf(const char* name) const { return m_folder.Path() / name; }

  TempFolder m_folder;
};

TEST_F(FileTest, WriteThenReadBack) {
  const Bytes data = Pattern(1000);
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  WriteAll(out, data);
  EXPECT_EQ(out.GetLength(), 1000u);
  out.Close();
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), data);

  CFile in;
  ASSERT_TRUE(in.Open(PathOf("a.bin"), CFile::modeRead));
  EXPECT_EQ(in.GetLength(), 1000u);
  Bytes back(1000);
  EXPECT_EQ(in.Read(back.data(), back.size()), 1000u);
  EXPECT_EQ(back, data);
}

TEST_F(FileTest, ReadIsShorterAtTheEndAndThenZero) {
  WriteBytes(NativeOf("a.bin"), Pattern(10));
  CFile in;
  ASSERT_TRUE(in.Open(PathOf("a.bin"), CFile::modeRead));
  Bytes buffer(16);
  EXPECT_EQ(in.Seek(6, CFile::begin), 6u);
  EXPECT_EQ(in.Read(buffer.data(), buffer.size()), 4u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), Bytes({42, 49, 56, 63}));
  EXPECT_EQ(in.Read(buffer.data(), buffer.size()), 0u);
  EXPECT_EQ(in.Seek(100, CFile::begin), 100u);
  EXPECT_EQ(in.Read(buffer.data(), buffer.size()), 0u);
}

TEST_F(FileTest, ReadNeverFails) {
  CFile closed;
  std::uint8_t byte = 0;
  EXPECT_EQ(closed.Read(&byte, 1), 0u);

  WriteBytes(NativeOf("empty.bin"), {});
  CFile empty;
  ASSERT_TRUE(empty.Open(PathOf("empty.bin"), CFile::modeRead));
  EXPECT_EQ(empty.Read(&byte, 1), 0u);
  EXPECT_EQ(empty.Read(&byte, 0), 0u);
}

TEST_F(FileTest, SeekFromBeginAndCurrentClampsAtZero) {
  WriteBytes(NativeOf("a.bin"), Pattern(100));
  CFile in;
  ASSERT_TRUE(in.Open(PathOf("a.bin"), CFile::modeRead));
  EXPECT_EQ(in.Seek(50, CFile::begin), 50u);
  EXPECT_EQ(in.Seek(-20, CFile::current), 30u);
  EXPECT_EQ(in.Seek(5, CFile::current), 35u);
  EXPECT_EQ(in.GetPosition(), 35u);
  std::uint8_t byte = 0;
  ASSERT_EQ(in.Read(&byte, 1), 1u);
  EXPECT_EQ(byte, static_cast<std::uint8_t>(35 * 7));
  EXPECT_EQ(in.Seek(-100, CFile::current), 0u);
  EXPECT_EQ(in.Seek(-1, CFile::begin), 0u);
}

// A record is written, then its link field is filled in afterwards.
TEST_F(FileTest, PatchInsideTheBufferedRun) {
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  WriteAll(out, Bytes(16, 0xAA));
  out.Seek(4, CFile::begin);
  WriteAll(out, {1, 2, 3, 4});
  out.Seek(16, CFile::begin);
  WriteAll(out, {0xBB});
  out.Close();
  Bytes expected(17, 0xAA);
  expected[4] = 1;
  expected[5] = 2;
  expected[6] = 3;
  expected[7] = 4;
  expected[16] = 0xBB;
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), expected);
}

TEST_F(FileTest, PatchBeforeTheBufferedRun) {
  Bytes expected;
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  for (std::uint8_t i = 0; i < 200; ++i) {  // 400 KiB in small steps: the buffer moves on
    const Bytes chunk = Pattern(2048, i);
    WriteAll(out, chunk);
    expected.insert(expected.end(), chunk.begin(), chunk.end());
  }
  out.Seek(8, CFile::begin);
  WriteAll(out, {1, 2, 3, 4});
  out.Seek(static_cast<std::int64_t>(expected.size()), CFile::begin);
  WriteAll(out, {5, 6});
  out.Close();
  expected[8] = 1;
  expected[9] = 2;
  expected[10] = 3;
  expected[11] = 4;
  expected.push_back(5);
  expected.push_back(6);
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), expected);
}

TEST_F(FileTest, LargeWritesLandWholeAndKeepOrder) {
  const Bytes big = Pattern(kBig, 3);
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  WriteAll(out, {1, 2, 3});
  WriteAll(out, big);
  WriteAll(out, {4});
  out.Seek(1, CFile::begin);
  WriteAll(out, big);  // overlaps the small bytes that are still buffered
  out.Close();
  // 1, the second copy of big, the last two bytes of the first copy, 4.
  Bytes expected = {1};
  expected.insert(expected.end(), big.begin(), big.end());
  expected.push_back(big[kBig - 2]);
  expected.push_back(big[kBig - 1]);
  expected.push_back(4);
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), expected);
}

// Random seeks, writes and reads on a writable file must leave exactly what an in-memory copy
// holds; sizes straddle the buffer's size so that every path of the buffer is taken.
TEST_F(FileTest, RandomWritesMatchAModel) {
  std::mt19937 random(12345);
  Bytes model;
  CFile file;
  ASSERT_TRUE(file.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  std::uint64_t position = 0;
  for (int step = 0; step < 400; ++step) {
    const std::size_t kind = Below(random, 10);
    if (kind < 3) {
      position = Below(random, model.size() + 1000);
      file.Seek(static_cast<std::int64_t>(position), CFile::begin);
    } else if (kind < 9) {
      const std::size_t count =
          Below(random, 20) == 0 ? 200000 + Below(random, 100000) : Below(random, 64);
      const Bytes data = Pattern(count, static_cast<std::uint8_t>(step));
      WriteAll(file, data);
      if (model.size() < position + count) model.resize(position + count);
      std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(position));
      position += count;
    } else {
      Bytes back(Below(random, 100));
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
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), model);
}

TEST_F(FileTest, RandomReadsMatchTheFile) {
  const Bytes data = Pattern(700 * 1024, 1);
  WriteBytes(NativeOf("a.bin"), data);
  CFile in;
  ASSERT_TRUE(in.Open(PathOf("a.bin"), CFile::modeRead));
  std::mt19937 random(777);
  for (int step = 0; step < 300; ++step) {
    const std::uint64_t position = Below(random, data.size() + 100);
    in.Seek(static_cast<std::int64_t>(position), CFile::begin);
    Bytes back(Below(random, 2) == 0 ? Below(random, 64) : Below(random, kBig));
    const std::size_t got = in.Read(back.data(), back.size());
    const std::size_t left = position < data.size() ? data.size() - position : 0;
    ASSERT_EQ(got, std::min(back.size(), left)) << "step " << step;
    for (std::size_t i = 0; i < got; ++i) ASSERT_EQ(back[i], data[position + i]);
    ASSERT_EQ(in.GetPosition(), position + got);
  }
}

TEST_F(FileTest, OpenForWritingWithoutCreateKeepsTheContent) {
  WriteBytes(NativeOf("a.bin"), {1, 2, 3, 4});
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeWrite));
  EXPECT_EQ(out.GetLength(), 4u);
  out.Seek(1, CFile::begin);
  WriteAll(out, {9});
  out.Close();
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), Bytes({1, 9, 3, 4}));
}

TEST_F(FileTest, CreateTruncatesAnExistingFile) {
  WriteBytes(NativeOf("a.bin"), Pattern(50));
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  EXPECT_EQ(out.GetLength(), 0u);
  WriteAll(out, {7});
  out.Close();
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), Bytes({7}));
}

TEST_F(FileTest, OpenFails) {
  CFile file;
  EXPECT_FALSE(file.Open(PathOf("missing/a.bin"), CFile::modeCreate | CFile::modeWrite));
  EXPECT_FALSE(file.Open(PathOf("missing.bin"), CFile::modeRead));
  EXPECT_FALSE(file.Open(PathOf("missing.bin"), CFile::modeWrite));
  std::filesystem::create_directory(NativeOf("folder"));
  EXPECT_FALSE(file.Open(PathOf("folder"), CFile::modeRead));
  EXPECT_FALSE(file.Open(PathOf("folder"), CFile::modeCreate | CFile::modeWrite));
  EXPECT_FALSE(file.Open(u"", CFile::modeRead));
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileTest, WritingAFileOpenedForReadingThrows) {
  WriteBytes(NativeOf("a.bin"), {1});
  CFile in;
  ASSERT_TRUE(in.Open(PathOf("a.bin"), CFile::modeRead));
  const std::uint8_t byte = 0;
  EXPECT_THROW(in.Write(&byte, 1), CFileException);
  CFile closed;
  EXPECT_THROW(closed.Write(&byte, 1), CFileException);
}

// Whatever was written before a file is dropped without Close reaches the disk, as it would with
// an unbuffered file.
TEST_F(FileTest, BufferedBytesSurviveAbortAndDestruction) {
  {
    CFile out;
    ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
    WriteAll(out, {1, 2, 3});
  }
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), Bytes({1, 2, 3}));
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("b.bin"), CFile::modeCreate | CFile::modeWrite));
  WriteAll(out, {4, 5});
  out.Abort();
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(ReadBytes(NativeOf("b.bin")), Bytes({4, 5}));
}

TEST_F(FileTest, ReopeningKeepsWhatTheFirstFileWasGiven) {
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  WriteAll(out, {1, 2});
  ASSERT_TRUE(out.Open(PathOf("b.bin"), CFile::modeCreate | CFile::modeWrite));
  WriteAll(out, {3});
  out.Close();
  EXPECT_EQ(ReadBytes(NativeOf("a.bin")), Bytes({1, 2}));
  EXPECT_EQ(ReadBytes(NativeOf("b.bin")), Bytes({3}));
}

TEST_F(FileTest, CloseTwiceIsHarmless) {
  CFile out;
  ASSERT_TRUE(out.Open(PathOf("a.bin"), CFile::modeCreate | CFile::modeWrite));
  out.Close();
  EXPECT_NO_THROW(out.Close());
  EXPECT_EQ(out.GetLength(), 0u);
}

TEST_F(FileTest, Remove) {
  WriteBytes(NativeOf("a.bin"), {1});
  EXPECT_TRUE(CFile::Remove(PathOf("a.bin")));
  EXPECT_FALSE(std::filesystem::exists(NativeOf("a.bin")));
  EXPECT_FALSE(CFile::Remove(PathOf("a.bin")));
}

TEST(FileErrorTest, FullDeviceFailsOnClose) {
  CFile out;
  if (!out.Open(u"/dev/full", CFile::modeWrite)) GTEST_SKIP() << "/dev/full is not available";
  WriteAll(out, {1, 2, 3, 4});
  EXPECT_THROW(out.Close(), CFileException);
  EXPECT_FALSE(out.IsOpen());
}

TEST(FileErrorTest, FullDeviceFailsOnLargeWrite) {
  CFile out;
  if (!out.Open(u"/dev/full", CFile::modeWrite)) GTEST_SKIP() << "/dev/full is not available";
  const Bytes big = Pattern(kBig);
  EXPECT_THROW(WriteAll(out, big), CFileException);
}

// Lowers the file-size limit for the current process and restores it (and SIGXFSZ) afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    m_ok = ::getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
    rlimit lowered = m_previous;
    lowered.rlim_cur = bytes;
    m_ok = m_ok && ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool Ok() const { return m_ok; }

 private:
  rlimit m_previous{};
  void (*m_previousHandler)(int) = SIG_DFL;
  bool m_ok = false;
};

TEST(FileErrorTest, ExceedingTheFileSizeLimitThrows) {
  TempFolder folder;
  CFile out;
  ASSERT_TRUE(out.Open(folder.File("a.bin"), CFile::modeCreate | CFile::modeWrite));
  const Bytes data = Pattern(4096);
  {
    const FileSizeLimit limit(1000);
    if (!limit.Ok()) GTEST_SKIP() << "cannot lower the file-size limit";
    WriteAll(out, data);
    EXPECT_THROW(out.Close(), CFileException);
  }
  EXPECT_FALSE(out.IsOpen());
}

}  // namespace
}  // namespace tavi
