#include "app/convertor_dialog.h"

#include "app/conversion_worker.h"
#include "app/folder_scan.h"
#include "app/overall_progress.h"
#include "platform/convertor_messages.h"
#include "platform/path.h"

namespace tavi {

namespace {

constexpr char16_t kAlreadyRunningText[] = u"Conversion is already running!";
constexpr char16_t kNothingToDoText[] =
    u"Nothing to do, click on Browse button and select files to convert";
constexpr char16_t kWaitText[] = u"Please wait until conversion ends";
constexpr char16_t kPickerTitle[] = u"Select files to import";

std::vector<WString> PickerFilters() {
  return {u"All files (*)", u"GEP (*.gep)", u"TXT (*.txt)", u"CSV (*.csv)"};
}

}  // namespace

CTAVIConvertorDlg::CTAVIConvertorDlg(IDialogControls& controls) : m_controls(controls) {}

CTAVIConvertorDlg::~CTAVIConvertorDlg() {
  // The window goes away with the dialog; nothing may post to it afterwards.
  IMessageTarget* target = m_pRegisteredTarget;
  if (target != nullptr) g_hMainWnd.compare_exchange_strong(target, nullptr);
}

void CTAVIConvertorDlg::DoDataExchange() {
  m_controls.SetProgressRange(kProgressMinimum, kProgressMaximum);
}

void CTAVIConvertorDlg::OnInitDialog() {
  DoDataExchange();
  m_pRegisteredTarget = &m_controls.GetMessageTarget();
  g_hMainWnd.store(m_pRegisteredTarget);
  const WString folder = GetWorkingFolder();
  // A working folder that cannot be read lists nothing rather than the root of some other place.
  if (folder.empty()) return;
  std::vector<WString> found;
  ScanWorkingFolder(folder, found);
  for (const WString& path : found) m_controls.AddFileLine(path);
}

bool CTAVIConvertorDlg::IsConversionRunning() const {
  return m_controls.IsWorkerRunning();
}

void CTAVIConvertorDlg::OnConvert() {
  if (IsConversionRunning()) {
    m_controls.ShowMessage(kAlreadyRunningText);
    return;
  }
  const int count = m_controls.GetFileLineCount();
  if (count == 0) {
    m_controls.ShowMessage(kNothingToDoText);
    return;
  }
  // No worker runs now, so nothing reads the copy while it is replaced.
  m_runFiles.clear();
  for (int i = 0; i < count; ++i) m_runFiles.push_back(m_controls.GetFileLineText(i));
  m_nFilesDone.store(0);
  m_controls.StartWorker(*this);
}

void CTAVIConvertorDlg::OnBrowseFiles() {
  if (IsConversionRunning()) {
    m_controls.ShowMessage(kAlreadyRunningText);
    return;
  }
  const std::optional<std::vector<WString>> picked =
      m_controls.PickFiles(kPickerTitle, PickerFilters());
  if (!picked) return;
  m_controls.ResetFileLines();
  for (const WString& path : *picked) {
    if (HasInputEnding(path)) m_controls.AddFileLine(path);
  }
}

void CTAVIConvertorDlg::OnExit() {
  if (IsConversionRunning()) {
    m_controls.ShowMessage(kWaitText);
    return;
  }
  m_controls.EndDialog();
}

void CTAVIConvertorDlg::OnWndMsg(std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t /*lParam*/) {
  if (message == WM_CONVERTOR_LOG) {
    TakeLogLineIntoList();
  } else if (message == WM_CONVERTOR_PROGRESS) {
    UpdateProgress(static_cast<std::int32_t>(wParam));
  }
}

void CTAVIConvertorDlg::TakeLogLineIntoList() {
  WString line;
  while (TakeLogLine(line)) {
    m_controls.AddLogLine(line);
    m_controls.SetLogTopIndex(m_controls.GetLogLineCount() - 1);
  }
}

void CTAVIConvertorDlg::UpdateProgress(std::int32_t percent) {
  m_controls.SetProgressPos(
      ComputeOverallProgress(m_controls.GetFileLineCount(), m_nFilesDone.load(), percent));
}

int CTAVIConvertorDlg::GetFileCount() {
  return static_cast<int>(m_runFiles.size());
}

WString CTAVIConvertorDlg::GetFileText(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_runFiles.size()) return {};
  return m_runFiles[static_cast<std::size_t>(index)];
}

}  // namespace tavi
