#pragma once

#include <cstdint>
#include <vector>

#include "app/conversion_host.h"
#include "app/dialog_controls.h"
#include "platform/wide_string.h"

namespace tavi {

// The main dialog's own logic: the guards around a running conversion, the file list filled at
// start-up, by the file picker or by a drop, the start and stop of the worker and the window's side
// of the worker's log, progress and message boxes. It reaches its window only through
// IDialogControls.
class CTAVIConvertorDlg : public IConversionHost {
 public:
  explicit CTAVIConvertorDlg(IDialogControls& controls);
  ~CTAVIConvertorDlg() override;
  CTAVIConvertorDlg(const CTAVIConvertorDlg&) = delete;
  CTAVIConvertorDlg& operator=(const CTAVIConvertorDlg&) = delete;

  // Sets the bar's range and the button's text, registers the window as the target of the
  // worker's messages and lists the start files: those of the program's arguments, or else the
  // input files of the working folder (see FindStartFiles).
  void OnInitDialog(const std::vector<WString>& arguments = {});
  // Starts a run; while one runs, the same button stops it.
  void OnConvert();
  void OnBrowseFiles();
  // Files and folders dropped on the window replace the list, as a confirmed pick does.
  void OnDropFiles(const std::vector<WString>& paths);
  void OnExit();
  // The window's side of the worker's messages; every other message is left alone.
  void OnWndMsg(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
  // A box the worker shows. "Done!" ends the run: the guards' boxes still open about it are closed
  // first, so that none is left behind claiming that the run goes on, and the box gives the run's
  // summary on a line of its own.
  void ShowWorkerMessage(const WString& text);
  // The worker has returned: the button starts runs again.
  void OnRunEnded();

  bool IsConversionRunning() const;

  // The worker's view of the file list: the list as it was when the run started, which cannot
  // change during the run because browsing and dropping are refused then. Safe to call from the
  // worker thread.
  int GetFileCount() override;
  WString GetFileText(int index) override;
  // Called on the worker's thread; read by the window's thread only once "Done!" is asked for.
  void RecordResult(const SFileResult& result) override;

 private:
  void DoDataExchange();
  void UpdateConvertText();
  bool RefuseWhileRunning();
  void ReplaceFileLines(const std::vector<WString>& paths);
  void TakeLogLineIntoList();
  void UpdateProgress(std::int32_t percent);

  IDialogControls& m_controls;
  IMessageTarget* m_pRegisteredTarget = nullptr;
  std::vector<WString> m_runFiles;
  std::vector<SFileResult> m_runResults;
};

}  // namespace tavi
