#include "cli/convert_command.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/conversion_host.h"
#include "app/conversion_worker.h"
#include "app/overall_progress.h"
#include "app/run_summary.h"
#include "cli/console_report.h"
#include "cli/console_session.h"
#include "cli/input_paths.h"
#include "platform/convertor_messages.h"
#include "platform/message_box.h"
#include "platform/path.h"

namespace tavi::cli {

namespace {

// How long the console waits after writing log lines before it takes the next message.
constexpr std::chrono::milliseconds kLogPause{1};

// The file list of a command line run: fixed before the worker starts, so reading it from the
// worker's thread needs no lock.
class CFileListHost : public IConversionHost {
 public:
  CFileListHost(std::vector<WString> files, WString outputFolder)
      : m_files(std::move(files)), m_outputFolder(std::move(outputFolder)) {}
  int GetFileCount() override { return static_cast<int>(m_files.size()); }
  WString GetFileText(int index) override { return m_files.at(static_cast<std::size_t>(index)); }
  WString GetOutputFolder() override { return m_outputFolder; }
  // Written by the worker, read once it has been joined.
  void RecordResult(const SFileResult& result) override { m_results.push_back(result); }
  const std::vector<SFileResult>& Results() const { return m_results; }

 private:
  const std::vector<WString> m_files;
  const WString m_outputFolder;
  std::vector<SFileResult> m_results;
};

// Makes the session the target of posted messages and message boxes for its lifetime.
class CSessionRegistration {
 public:
  explicit CSessionRegistration(CConsoleSession& session)
      : m_previousTarget(g_hMainWnd.exchange(&session)),
        m_previousHandler(
            SetMessageBoxHandler([&session](const WString& text) { session.ShowBox(text); })) {}
  ~CSessionRegistration() {
    SetMessageBoxHandler(std::move(m_previousHandler));
    g_hMainWnd.store(m_previousTarget);
  }
  CSessionRegistration(const CSessionRegistration&) = delete;
  CSessionRegistration& operator=(const CSessionRegistration&) = delete;

 private:
  IMessageTarget* m_previousTarget;
  MessageBoxHandler m_previousHandler;
};

void StopOnInterrupt(int /*signal*/) {
  RequestStop();
}

// While it lives, Ctrl-C asks the worker to stop: the current file ends at its next step, leaving
// nothing half-written, and the run ends as usual. A second Ctrl-C ends the process at once, the
// usual way. A shell that started the command with Ctrl-C ignored keeps it ignored.
class CInterruptStopsRun {
 public:
  CInterruptStopsRun() {
    sigaction(SIGINT, nullptr, &m_previous);
    if (m_previous.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_handler = StopOnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESTART | SA_RESETHAND);  // glibc spells them unsigned
    m_installed = sigaction(SIGINT, &action, nullptr) == 0;
  }
  ~CInterruptStopsRun() {
    if (m_installed) sigaction(SIGINT, &m_previous, nullptr);
  }
  CInterruptStopsRun(const CInterruptStopsRun&) = delete;
  CInterruptStopsRun& operator=(const CInterruptStopsRun&) = delete;

 private:
  struct sigaction m_previous {};
  bool m_installed = false;
};

void HandleMessages(CConsoleSession& session, CFileListHost& host, CConsoleReport& report) {
  std::vector<WString> lines;
  for (;;) {
    const CConsoleSession::SMessage message = session.Wait();
    if (message.message == CConsoleSession::kWorkerEnded) return;
    if (message.message == WM_CONVERTOR_LOG) {
      lines.clear();
      for (WString line; TakeLogLine(line);) lines.push_back(std::move(line));
      report.LogLines(lines);
      // A file of bad lines logs them one after the other; a moment's pause lets the next ones
      // gather, so that the worker does not wake this thread once a line.
      std::this_thread::sleep_for(kLogPause);
    } else if (message.message == WM_CONVERTOR_PROGRESS) {
      const auto percent = static_cast<std::int32_t>(message.wParam);
      report.Progress(ComputeOverallProgress(host.GetFileCount(), host.m_nFilesDone, percent));
    } else if (message.message == CConsoleSession::kMessageBox) {
      report.Box(session.TakeBoxText());
      session.CloseBox();
    }
  }
}

// Returns why the run stopped early, or nothing.
std::string RunWorker(CFileListHost& host, CConsoleReport& report) {
  CConsoleSession session;
  const CSessionRegistration registration(session);
  std::string stopReason;
  std::thread worker([&session, &host, &stopReason] {
    // Whatever the engine cannot handle itself ends the run, not the process.
    try {
      ConversionThreadProc(&host);
    } catch (const std::exception& error) {
      stopReason = error.what();
    }
    session.Post(CConsoleSession::kWorkerEnded, 0, 0);
  });
  HandleMessages(session, host, report);
  worker.join();
  return stopReason;
}

}  // namespace

namespace {

bool AnyFailed(const std::vector<SFileResult>& results, bool strict) {
  return std::any_of(results.begin(), results.end(), [strict](const SFileResult& result) {
    return result.failed || (strict && result.LeftOut() != 0);
  });
}

// The folder for --output-dir, absolute, as the outputs are reported with absolute paths; empty
// with the reason in error when it is not a folder.
WString OutputFolder(const std::string& folder, const WString& workingFolder, std::string& error) {
  if (folder.empty()) return {};
  const std::filesystem::path path =
      (ToNativePath(workingFolder) / std::filesystem::path(folder)).lexically_normal();
  std::error_code code;
  if (!std::filesystem::is_directory(path, code)) {
    error = folder + ": no such folder";
    return {};
  }
  WString wide = FromNativePath(path);
  if (wide.size() > 1 && wide.back() == kPathSeparator) wide.pop_back();
  return wide;
}

}  // namespace

int RunConvert(const SConvertOptions& options, std::ostream& out, std::ostream& err,
               bool errIsTerminal) {
  CConsoleReport report(out, err, errIsTerminal && !options.quiet, !options.quiet);
  ClearStopRequest();
  const CInterruptStopsRun interrupts;
  const WString workingFolder = GetWorkingFolder();
  std::string folderError;
  WString outputFolder = OutputFolder(options.outputFolder, workingFolder, folderError);
  if (!folderError.empty()) {
    report.Error(folderError);
    report.Finish();
    return kExitFailure;
  }
  SInputList inputs = CollectInputs(options.paths, workingFolder);
  for (const std::string& error : inputs.errors) report.Error(error);
  if (inputs.files.empty()) {
    report.Note("nothing to convert");
    report.Finish();
    return inputs.errors.empty() ? kExitSuccess : kExitFailure;
  }
  CFileListHost host(std::move(inputs.files), std::move(outputFolder));
  const std::string stopReason = RunWorker(host, report);
  if (!stopReason.empty()) report.Error("conversion stopped: " + stopReason);
  report.Note(DescribeRun(host.Results()));
  report.Finish();
  if (IsStopRequested()) return kExitInterrupted;
  const bool failed =
      !inputs.errors.empty() || !stopReason.empty() || AnyFailed(host.Results(), options.strict);
  return failed ? kExitFailure : kExitSuccess;
}

}  // namespace tavi::cli
