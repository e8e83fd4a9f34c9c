#pragma once

#include <QDialog>
#include <QTimer>
#include <vector>

#include "app/convertor_dialog.h"
#include "app/convertor_dialog_worker.h"
#include "app/dialog_controls.h"
#include "platform/message_box.h"
#include "platform/message_target.h"

class QListView;
class QListWidget;
class QMessageBox;
class QProgressBar;
class QPushButton;

namespace tavi {

class CLogListModel;

// The main window with the file list, the log list, the progress bar and the three buttons, laid
// out in dialog units of its font. Its template size is its default and smallest size; the room it
// grows beyond that goes to the lists and the bar. It binds the dialog's logic to the widgets,
// takes dropped files and folders, carries the worker's posted messages to its own thread, and
// shows the worker's message boxes on its own thread while the worker waits for them to be closed.
class CConvertorWindow : public QDialog, public IDialogControls, public IMessageTarget {
  Q_OBJECT

 public:
  // startPaths are the program's arguments: the files the list starts with (see FindStartFiles).
  explicit CConvertorWindow(const std::vector<WString>& startPaths = {}, QWidget* parent = nullptr);
  ~CConvertorWindow() override;

  // Escape, the title bar's close box and the window manager's close come here: only an idle
  // window closes.
  void reject() override;

  // IMessageTarget; called from the worker thread, never blocks.
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // IDialogControls
  void AddFileLine(const WString& path) override;
  void ResetFileLines() override;
  int GetFileLineCount() const override;
  WString GetFileLineText(int index) const override;
  void AddLogLine(const WString& line) override;
  int GetLogLineCount() const override;
  void SetLogTopIndex(int index) override;
  void SetProgressRange(int lower, int upper) override;
  void SetProgressPos(int position) override;
  void ShowMessage(const WString& text) override;
  void CloseMessages() override;
  void SetConvertText(const WString& text) override;
  std::optional<std::vector<WString>> PickFiles(const WString& title,
                                                const std::vector<WString>& filters) override;
  bool StartWorker(IConversionHost& host) override;
  bool IsWorkerRunning() const override;
  IMessageTarget& GetMessageTarget() override { return *this; }
  void EndDialog() override;

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  void CreateControls();
  void LayOutControls();
  void OnWorkerEnded();
  void ShowMessageFromAnyThread(const WString& text);
  void FlushLogLines();

  QPushButton* m_convertButton = nullptr;
  QPushButton* m_exitButton = nullptr;
  QListWidget* m_fileList = nullptr;
  QPushButton* m_browseButton = nullptr;
  QListView* m_logList = nullptr;
  CLogListModel* m_logModel = nullptr;
  QProgressBar* m_progress = nullptr;
  QTimer m_logFlushTimer;
  int m_logTopIndex = -1;
  // The boxes ShowMessage has open, innermost last.
  std::vector<QMessageBox*> m_openBoxes;
  MessageBoxHandler m_previousMessageBoxHandler;
  CTAVIConvertorDlg m_dlg;
  // Declared after the dialog logic, so that a worker is waited for before its host goes away.
  CWorkerThread m_worker;
};

}  // namespace tavi
