// Every write, sync, close and rename of a conversion run fails in turn, and every read fails or
// comes short in turn. Whichever call fails, the file it hits fails with its reason or converts
// as if nothing had happened, the previous output of that name stays as it was, nothing is left
// behind, and the other file of the run converts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "platform/file.h"

namespace tavi {
namespace {

namespace fs = std::filesystem;

enum class EFault { kNone, kWrite, kSync, kClose, kRename, kReadFails, kReadShort };

// Which call of which kind fails, and whether it has come yet.
struct SFaultPlan {
  EFault kind = EFault::kNone;
  int n = 0;
  int error = 0;
  int calls = 0;
  bool fired = false;
};
SFaultPlan g_plan;

bool Hit(EFault kind) {
  if (g_plan.kind != kind || ++g_plan.calls != g_plan.n) return false;
  g_plan.fired = true;
  errno = g_plan.error;
  return true;
}

const SFileSystemCalls kFaultyCalls{
    [](int fd, void* data, std::size_t count, off_t at) -> ssize_t {
      if (Hit(EFault::kReadFails)) {
        errno = EIO;
        return -1;
      }
      // Half of what was asked; nothing of a single byte, as if the file ended there.
      return ::pread(fd, data, Hit(EFault::kReadShort) ? count / 2 : count, at);
    },
    [](int fd, const void* data, std::size_t count, off_t at) -> ssize_t {
      return Hit(EFault::kWrite) ? -1 : ::pwrite(fd, data, count, at);
    },
    [](int fd) { return Hit(EFault::kSync) ? -1 : ::fsync(fd); },
    [](int fd) {
      const int closed = ::close(fd);  // the descriptor is gone even when close reports an error
      return Hit(EFault::kClose) ? -1 : closed;
    },
    [](const char* from, const char* to) { return Hit(EFault::kRename) ? -1 : ::rename(from, to); },
    64};  // a small file takes many reads and writes

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

bool Logged(const fuzz::SRun& run, const std::string& line) {
  return std::find(run.log.begin(), run.log.end(), line) != run.log.end();
}

// "Failed to ... - PATH (reason)": the output could not be made, or the input not read.
bool LoggedFailure(const fuzz::SRun& run, const fs::path& input, const fs::path& output) {
  for (const std::string& line : run.log) {
    for (const std::string& start : {"Failed to write TAVI file - " + output.string() + " (",
                                     "Failed to create TAVI file - " + output.string() + " (",
                                     "Failed to open - " + input.string() + " ("}) {
      if (line.starts_with(start) && line.ends_with(")")) return true;
    }
  }
  return false;
}

TEST(FileFaultTest, EveryFailingCallLeavesOldOutputsAndNothingElse) {
  const fs::path folder = fs::temp_directory_path() / ("tavi-fault-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const fs::path examples = fs::path(std::getenv("TAVI_SOURCE_DIR")) / "examples";
  const std::vector<fs::path> inputs{folder / "a.csv", folder / "b.gep"};
  const std::vector<fs::path> outputs{folder / "a.tavi", folder / "b.tavi"};
  fs::copy_file(examples / "lisbon-pastries.csv", inputs[0]);
  fs::copy_file(examples / "alpine-passes.gep", inputs[1]);
  const SFileSystemCalls systemCalls = g_fileSystemCalls;
  g_fileSystemCalls = kFaultyCalls;

  fuzz::CheckOutputs(fuzz::ConvertFiles(inputs));
  const std::vector<std::uint8_t> converted[] = {fuzz::ReadFile(outputs[0]),
                                                 fuzz::ReadFile(outputs[1])};
  const std::vector<std::uint8_t> previous{'o', 'l', 'd'};
  const std::size_t descriptors = OpenDescriptors();
  int points = 0, failures = 0;
  for (const EFault kind : {EFault::kWrite, EFault::kSync, EFault::kClose, EFault::kRename,
                            EFault::kReadFails, EFault::kReadShort}) {
    for (int n = 1;; ++n) {
      for (const fs::path& output : outputs) fuzz::WriteFile(output, previous.data(), 3);
      g_plan = {kind, n, std::array{ENOSPC, EIO, EFBIG}[n % 3]};
      const fuzz::SRun run = fuzz::ConvertFiles(inputs);
      const bool fired = g_plan.fired;
      g_plan = {};
      SCOPED_TRACE("fault " + std::to_string(static_cast<int>(kind)) + " at call " +
                   std::to_string(n));
      EXPECT_EQ(OpenDescriptors(), descriptors);
      EXPECT_EQ(fuzz::FolderEntries(folder),
                (std::vector<std::string>{"a.csv", "a.tavi", "b.gep", "b.tavi"}));
      ASSERT_EQ(run.results.size(), 2u);
      int failed = 0;
      for (std::size_t i = 0; i < 2; ++i) {
        if (run.results[i].Converted()) {
          EXPECT_EQ(fuzz::ReadFile(outputs[i]), converted[i]);
          EXPECT_TRUE(Logged(run, "Successfully imported " +
                                      std::to_string(run.results[i].poisWritten) + " pois - " +
                                      outputs[i].string()));
        } else {
          ++failed;
          EXPECT_EQ(fuzz::ReadFile(outputs[i]), previous);
          EXPECT_TRUE(LoggedFailure(run, inputs[i], outputs[i]));
        }
      }
      EXPECT_LE(failed, 1);
      if (!fired) break;
      ++points;
      failures += failed;
    }
  }
  g_fileSystemCalls = systemCalls;
  fs::remove_all(folder);
  std::printf("%d failing calls, %d of them failed a file\n", points, failures);
  EXPECT_GT(failures, points / 2);
}

}  // namespace
}  // namespace tavi
