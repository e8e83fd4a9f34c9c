#pragma once

#include <cstdint>
#include <vector>

#include "app/conversion_host.h"
#include "app/dialog_controls.h"
#include "platform/wide_string.h"

namespace tavi {

// The main dialog's own logic: the guards around a running conversion, the file list filled by
// the start-up scan or the file picker, the start of the worker and the window's side of the
// worker's log and progress messages. It reaches its window only through IDialogControls.
class CTAVIConvertorDlg : public IConversionHost {
 public:
  explicit CTAVIConvertorDlg(IDialogControls& controls);
  ~CTAVIConvertorDlg() override;
  CTAVIConvertorDlg(const CTAVIConvertorDlg&) = delete;
  CTAVIConvertorDlg& operator=(const CTAVIConvertorDlg&) = delete;

  // Sets the bar's range, registers the window as the target of the worker's messages and lists
  // the input files of the working folder.
  void OnInitDialog();
  void OnConvert();
  void OnBrowseFiles();
  void OnExit();
  // The window's side of the worker's messages; every other message is left alone.
  void OnWndMsg(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

  bool IsConversionRunning() const;

  // The worker's view of the file list: the list as it was when the run started, which cannot
  // change during the run because browsing is refused then. Safe to call from the worker thread.
  int GetFileCount() override;
  WString GetFileText(int index) override;

 private:
  void DoDataExchange();
  void TakeLogLineIntoList();
  void UpdateProgress(std::int32_t percent);

  IDialogControls& m_controls;
  IMessageTarget* m_pRegisteredTarget = nullptr;
  std::vector<WString> m_runFiles;
};

}  // namespace tavi
