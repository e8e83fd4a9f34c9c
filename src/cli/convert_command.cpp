#include "cli/convert_command.h"

#include <exception>
#include <string>
#include <thread>
#include <utility>

#include "app/conversion_host.h"
#include "app/conversion_worker.h"
#include "app/overall_progress.h"
#include "cli/console_report.h"
#include "cli/console_session.h"
#include "cli/input_paths.h"
#include "platform/convertor_messages.h"
#include "platform/message_box.h"
#include "platform/path.h"

namespace tavi::cli {

namespace {

// The file list of a command line run: fixed before the worker starts, so reading it from the
// worker's thread needs no lock.
class CFileListHost : public IConversionHost {
 public:
  explicit CFileListHost(std::vector<WString> files) : m_files(std::move(files)) {}
  int GetFileCount() override { return static_cast<int>(m_files.size()); }
  WString GetFileText(int index) override { return m_files.at(static_cast<std::size_t>(index)); }

 private:
  const std::vector<WString> m_files;
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

void HandleMessages(CConsoleSession& session, CFileListHost& host, CConsoleReport& report) {
  for (;;) {
    const CConsoleSession::SMessage message = session.Wait();
    if (message.message == CConsoleSession::kWorkerEnded) return;
    if (message.message == WM_CONVERTOR_LOG) {
      WString line;
      if (TakeLogLine(line)) report.LogLine(line);
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
std::string RunWorker(std::vector<WString> files, CConsoleReport& report) {
  CFileListHost host(std::move(files));
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

int RunConvert(const SConvertOptions& options, std::ostream& out, std::ostream& err,
               bool errIsTerminal) {
  CConsoleReport report(out, err, errIsTerminal && !options.quiet, !options.quiet);
  SInputList inputs = CollectInputs(options.paths, GetWorkingFolder());
  for (const std::string& note : inputs.notes) report.Note(note);
  if (inputs.files.empty()) {
    report.Note("nothing to convert");
    report.Finish();
    return inputs.missingPath ? kExitFailure : kExitSuccess;
  }
  const std::string stopReason = RunWorker(std::move(inputs.files), report);
  if (!stopReason.empty()) report.Error("conversion stopped: " + stopReason);
  report.Finish();
  return (inputs.missingPath || report.AnyFailure() || !stopReason.empty()) ? kExitFailure
                                                                            : kExitSuccess;
}

}  // namespace tavi::cli
