#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "app/conversion_worker.h"
#include "platform/convertor_messages.h"
#include "platform/file.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

// A front end whose file list grows while the run goes on, and its window.
struct CRun : IConversionHost, test::CRecordingWindow {
  int GetFileCount() override { return static_cast<int>(files.size()); }
  WString GetFileText(int index) override {
    if (index == 0) files.push_back(folder.File("late.csv"));  // joins while the run goes on
    return files.at(static_cast<std::size_t>(index));
  }
  test::TempFolder folder;
  std::vector<WString> files;
};

// A file whose output cannot be written is logged with the reason, the output of an earlier run
// is kept as it was, nothing half-written is left, and the run goes on with the next file; the
// count of files is asked anew before every file.
TEST(ConversionWorker, AFailedFileDoesNotStopTheRun) {
  CRun run;
  std::string many;
  for (int i = 0; i < 200; ++i) many += std::to_string(i % 50) + ";1;A place with a name\n";
  run.folder.Write("late.csv", "1;2;L\n");
  run.files = {run.folder.Write("small.csv", "1;2;S\n"), run.folder.Write("big.csv", many),
               run.folder.Write("UPPER.CSV", "1;2;U\n")};  // an ending that is passed over
  run.folder.Write("big.tavi", "earlier output");
  {
    const test::CFileSizeLimit limit(2000);  // the empty container fits, 200 records do not
    EXPECT_EQ(ConversionThreadProc(&run), 0u);
  }
  const auto file = [&run](const char* name) { return run.folder.File(name); };
  EXPECT_EQ(run.lines,
            (std::vector<WString>{
                u"\r\n", u"Importing csv - " + file("small.csv"),
                u"Saving tavi file - " + file("small.tavi"),
                u"Successfully imported 1 pois - " + file("small.tavi"), u"\r\n",
                u"Importing csv - " + file("big.csv"), u"Saving tavi file - " + file("big.tavi"),
                u"Failed to write TAVI file - " + file("big.tavi") + u" (File too large)", u"\r\n",
                u"Importing csv - " + file("late.csv"), u"Saving tavi file - " + file("late.tavi"),
                u"Successfully imported 1 pois - " + file("late.tavi")}));
  EXPECT_EQ(run.m_nFilesDone, 4);
  const test::Bytes earlier = test::ReadBytes(run.folder.Path() / "big.tavi");
  EXPECT_EQ(std::string(earlier.begin(), earlier.end()), "earlier output");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(run.folder.Path()))
    ++files;
  EXPECT_EQ(files, 7u);  // four inputs, three outputs, no work file
  EXPECT_EQ(run.boxes, std::vector<WString>{kDoneText});
}

// A run over a.csv (100 POIs in several leaves, the output of an earlier run in place) and b.csv
// that asks for a stop once the posted progress first reaches stopAt.
struct CStoppingRun : IConversionHost, test::CRecordingWindow {
  explicit CStoppingRun(int at) : stopAt(at) {
    std::string many;
    for (int i = 0; i < 100; ++i)
      many += std::to_string(i % 10) + ";" + std::to_string(i / 10) + ";P\n";
    files = {folder.Write("a.csv", many), folder.Write("b.csv", "1;2;B\n")};
    folder.Write("a.tavi", "earlier output");
  }
  int GetFileCount() override { return 2; }
  WString GetFileText(int index) override { return files.at(static_cast<std::size_t>(index)); }
  void RecordResult(const SFileResult& result) override { stopped.push_back(result.stopped); }
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    CRecordingWindow::Post(message, wParam, lParam);
    if (message == WM_CONVERTOR_PROGRESS && static_cast<int>(wParam) >= stopAt) RequestStop();
  }
  test::TempFolder folder;
  std::vector<WString> files;
  std::vector<bool> stopped;
  int stopAt;
};

// A stop ends the file at its next step: the earlier output stays, nothing half-made is left and
// the rest of the list is not started. From 80 on the output is complete and the file finishes.
TEST(ConversionWorker, AStopEndsTheCurrentFileAtItsNextStep) {
  const struct {
    int stopAt;            // 30 inserting into the index, 51 writing blocks, 80 written
    std::size_t linesOfA;  // of the separator, Importing, Saving and Successfully imported
    const char* stopped;
  } cases[] = {{30, 2, "a.csv"}, {51, 3, "a.csv"}, {80, 4, "b.csv"}};
  for (const auto& c : cases) {
    CStoppingRun run(c.stopAt);
    const auto file = [&run](const char* name) { return run.folder.File(name); };
    std::vector<WString> expected = {u"\r\n", u"Importing csv - " + file("a.csv"),
                                     u"Saving tavi file - " + file("a.tavi"),
                                     u"Successfully imported 100 pois - " + file("a.tavi")};
    expected.resize(c.linesOfA);
    expected.push_back(u"Stopped - " + file(c.stopped));
    ClearStopRequest();  // as the front end does before a run
    EXPECT_EQ(ConversionThreadProc(&run), 0u);
    EXPECT_EQ(run.lines, expected) << c.stopAt;
    EXPECT_EQ(run.boxes, std::vector<WString>{kDoneText});
    const std::vector<bool> aStopped{true}, bStopped{false, true};  // RecordResult's stopped flags
    EXPECT_EQ(run.stopped, c.linesOfA < 4 ? aStopped : bStopped);
    EXPECT_EQ(test::ReadBytes(run.folder.Path() / "a.tavi").size() == 14, c.linesOfA < 4);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(run.folder.Path()))
      ++files;
    EXPECT_EQ(files, 3u);  // no work file
  }
  ClearStopRequest();
}

TEST(ConversionWorker, NothingToConvert) {
  EXPECT_EQ(ConversionThreadProc(nullptr), 1u);
  CRun run;
  EXPECT_EQ(ConversionThreadProc(&run), 0u);
  EXPECT_TRUE(run.boxes.empty());  // "Done!" closes a run with files only
}

// Which system call fails: the nth of its kind.
enum EFault { kWrite, kSync, kClose, kRename, kReadFails, kReadShort, kFaultKinds };
struct SFault {
  int kind = kFaultKinds;
  int n = 0;
  int calls = 0;
  bool fired = false;
} g_fault;

bool Fails(int kind) {
  if (g_fault.kind != kind || ++g_fault.calls != g_fault.n) return false;
  g_fault.fired = true;
  errno = std::array{ENOSPC, EIO, EFBIG}[static_cast<std::size_t>(g_fault.n % 3)];
  return true;
}

// The system's calls, each failing when its turn comes; a short read delivers half of what was
// asked. A buffer of 64 bytes makes two small files take many calls.
const SFileSystemCalls kFaultyCalls{
    [](int fd, void* data, std::size_t count, off_t at) -> ssize_t {
      if (Fails(kReadFails)) return -1;
      return ::pread(fd, data, Fails(kReadShort) ? count / 2 : count, at);
    },
    [](int fd, const void* data, std::size_t count, off_t at) -> ssize_t {
      return Fails(kWrite) ? -1 : ::pwrite(fd, data, count, at);
    },
    [](int fd) { return Fails(kSync) ? -1 : ::fsync(fd); },
    [](int fd) {
      const int closed = ::close(fd);  // the descriptor is gone even when close reports an error
      return Fails(kClose) ? -1 : closed;
    },
    [](const char* from, const char* to) { return Fails(kRename) ? -1 : ::rename(from, to); },
    64};

struct CTwoFiles : IConversionHost, test::CRecordingWindow {
  explicit CTwoFiles(const test::TempFolder& folder)
      : inputs{folder.File("a.csv"), folder.File("b.gep")} {}
  int GetFileCount() override { return 2; }
  WString GetFileText(int index) override { return inputs[index]; }
  const WString inputs[2];
};

std::size_t Entries(const std::filesystem::path& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

// Whichever write, sync, close or rename fails, and whichever read fails or comes back short, the
// file it hits fails with the reason or converts as if nothing had happened; the output of an
// earlier run is kept, nothing is left behind, no descriptor stays open, the other file converts.
TEST(ConversionWorker, EverySystemCallThatFailsFailsItsFileAlone) {
  test::TempFolder folder;
  const std::filesystem::path examples = std::string(std::getenv("TAVI_SOURCE_DIR")) + "/examples";
  std::filesystem::copy_file(examples / "lisbon-pastries.csv", folder.Path() / "a.csv");
  std::filesystem::copy_file(examples / "alpine-passes.gep", folder.Path() / "b.gep");
  const WString outputs[] = {folder.File("a.tavi"), folder.File("b.tavi")};
  CTwoFiles first(folder);
  ConversionThreadProc(&first);
  const test::Bytes converted[] = {test::ReadBytes(ToNativePath(outputs[0])),
                                   test::ReadBytes(ToNativePath(outputs[1]))};
  const test::Bytes earlier{'o', 'l', 'd'};
  const std::size_t descriptors = Entries("/proc/self/fd");
  const SFileSystemCalls systemCalls = std::exchange(g_fileSystemCalls, kFaultyCalls);
  int points = 0, failures = 0;
  for (int kind = 0; kind < kFaultKinds; ++kind) {
    for (int n = 1;; ++n) {
      for (const WString& output : outputs) test::WriteBytes(ToNativePath(output), earlier);
      g_fault = {kind, n};
      CTwoFiles run(folder);
      ConversionThreadProc(&run);
      SCOPED_TRACE("fault " + std::to_string(kind) + " at call " + std::to_string(n));
      int failed = 0;
      for (int i = 0; i < 2; ++i) {
        const test::Bytes written = test::ReadBytes(ToNativePath(outputs[i]));
        if (written == converted[i]) continue;
        ++failed;
        EXPECT_EQ(written, earlier);
        EXPECT_TRUE(std::any_of(run.lines.begin(), run.lines.end(), [&](const WString& line) {
          return line.starts_with(u"Failed to write TAVI file - " + outputs[i] + u" (") ||
                 line.starts_with(u"Failed to create TAVI file - " + outputs[i] + u" (") ||
                 line.starts_with(u"Failed to open - " + run.inputs[i] + u" (");
        }));
      }
      EXPECT_EQ(Entries(folder.Path()), 4u);
      EXPECT_EQ(Entries("/proc/self/fd"), descriptors);
      EXPECT_LE(failed, g_fault.fired ? 1 : 0);
      if (!g_fault.fired) break;
      ++points;
      failures += failed;
    }
  }
  g_fileSystemCalls = systemCalls;
  std::printf("%d system calls failed in turn, %d of them failed a file\n", points, failures);
  EXPECT_GT(failures, points / 2);
}

}  // namespace
}  // namespace tavi
