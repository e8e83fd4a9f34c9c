#include "app/convertor_dialog.h"

#include "app/conversion_worker.h"
#include "app/input_selection.h"
#include "app/overall_progress.h"
#include "app/run_summary.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/path.h"

namespace tavi {

namespace {

constexpr char16_t kAlreadyRunningText[] = u"Conversion is already running!";
constexpr char16_t kNothingToDoText[] =
    u"Nothing to do, click on Browse button and select files to convert";
constexpr char16_t kWaitText[] = u"Please wait until conversion ends";
constexpr char16_t kPickerTitle[] = u"Select files to import";
constexpr char16_t kConvertText[] = u"Convert to TAVI";
constexpr char16_t kStopText[] = u"Stop";

// The geodata formats come last, all in one filter: the first four are the ones users know.
std::vector<WString> PickerFilters() {
  WString geodata = u"Geodata (";
  for (const WStringView ending : kGeodataEndings) {
    geodata += (geodata.back() == u'(' ? u"*" : u" *") + WString(ending);
  }
  return {u"All files (*)", u"GEP (*.gep)", u"TXT (*.txt)", u"CSV (*.csv)", geodata + u")"};
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
  UpdateConvertText();
}

void CTAVIConvertorDlg::OnInitDialog(const std::vector<WString>& arguments) {
  DoDataExchange();
  m_pRegisteredTarget = &m_controls.GetMessageTarget();
  g_hMainWnd.store(m_pRegisteredTarget);
  for (const WString& path : FindStartFiles(arguments, GetWorkingFolder(), GetHomeFolder())) {
    m_controls.AddFileLine(path);
  }
}

bool CTAVIConvertorDlg::IsConversionRunning() const {
  return m_controls.IsWorkerRunning();
}

void CTAVIConvertorDlg::UpdateConvertText() {
  m_controls.SetConvertText(IsConversionRunning() ? kStopText : kConvertText);
}

bool CTAVIConvertorDlg::RefuseWhileRunning() {
  if (!IsConversionRunning()) return false;
  m_controls.ShowMessage(kAlreadyRunningText);
  return true;
}

void CTAVIConvertorDlg::OnConvert() {
  if (IsConversionRunning()) {
    // The worker ends the current file at its next step and says so in the log.
    RequestStop();
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
  m_runResults.clear();
  // Cleared here, not by the worker: a stop pressed as soon as the button reads "Stop" holds.
  ClearStopRequest();
  m_controls.StartWorker(*this);
  UpdateConvertText();
}

void CTAVIConvertorDlg::OnBrowseFiles() {
  if (RefuseWhileRunning()) return;
  const std::optional<std::vector<WString>> picked =
      m_controls.PickFiles(kPickerTitle, PickerFilters());
  if (picked) ReplaceFileLines(*picked);
}

void CTAVIConvertorDlg::OnDropFiles(const std::vector<WString>& paths) {
  if (!RefuseWhileRunning()) ReplaceFileLines(paths);
}

void CTAVIConvertorDlg::ReplaceFileLines(const std::vector<WString>& paths) {
  m_controls.ResetFileLines();
  for (const WString& path : SelectInputFiles(paths)) m_controls.AddFileLine(path);
}

void CTAVIConvertorDlg::OnExit() {
  if (IsConversionRunning()) {
    m_controls.ShowMessage(kWaitText);
    return;
  }
  m_controls.EndDialog();
}

void CTAVIConvertorDlg::ShowWorkerMessage(const WString& text) {
  if (text != kDoneText) {
    m_controls.ShowMessage(text);
    return;
  }
  m_controls.CloseMessages();
  // The worker recorded its last result before it asked for this box, and waits until it closes.
  m_controls.ShowMessage(text + u"\n" + Utf8ToWide(DescribeRun(m_runResults)));
}

void CTAVIConvertorDlg::OnRunEnded() {
  UpdateConvertText();
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
  bool taken = false;
  for (WString line; TakeLogLine(line); taken = true) m_controls.AddLogLine(line);
  // Scrolled once for all the lines taken, not once a line.
  if (taken) m_controls.SetLogTopIndex(m_controls.GetLogLineCount() - 1);
}

void CTAVIConvertorDlg::UpdateProgress(std::int32_t percent) {
  m_controls.SetProgressPos(
      ComputeOverallProgress(m_controls.GetFileLineCount(), m_nFilesDone.load(), percent));
}

int CTAVIConvertorDlg::GetFileCount() {
  return static_cast<int>(m_runFiles.size());
}

void CTAVIConvertorDlg::RecordResult(const SFileResult& result) {
  m_runResults.push_back(result);
}

WString CTAVIConvertorDlg::GetFileText(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= m_runFiles.size()) return {};
  return m_runFiles[static_cast<std::size_t>(index)];
}

}  // namespace tavi
