#include "gui/convertor_window.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QThread>
#include <utility>

#include "app/conversion_worker.h"
#include "app/file_list_order.h"
#include "gui/convertor_message_event.h"
#include "gui/dialog_units.h"
#include "gui/log_list_model.h"

namespace tavi {

namespace {

// About one screen refresh: lines that arrive faster than this are shown together.
constexpr int kLogRefreshIntervalMs = 16;

// The window's template in dialog units.
constexpr int kClientWidth = 355;
constexpr int kClientHeight = 219;

struct SControlRect {
  int x;
  int y;
  int width;
  int height;
};

constexpr SControlRect kConvertRect = {275, 7, 73, 30};
constexpr SControlRect kExitRect = {275, 85, 73, 16};
constexpr SControlRect kFileListRect = {7, 7, 258, 94};
constexpr SControlRect kBrowseRect = {275, 65, 73, 16};
constexpr SControlRect kLogListRect = {7, 111, 341, 81};
constexpr SControlRect kProgressRect = {7, 198, 341, 14};

QString ToQString(const WString& text) {
  return QString::fromStdU16String(text);
}
WString FromQString(const QString& text) {
  return text.toStdU16String();
}

void Place(QWidget* widget, const SDialogBaseUnits& units, const SControlRect& rect) {
  widget->setGeometry(MapDialogRect(units, rect.x, rect.y, rect.width, rect.height));
}

QPushButton* MakeButton(const QString& text, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  // No button is ever the default one: Enter is handled by the window itself.
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CConvertorWindow::CConvertorWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_dlg(*this),
      m_worker(ConversionThreadProc) {
  setWindowTitle(QStringLiteral("Ostrel TAVI Convertor v1.0"));
  CreateControls();
  LayOutControls();
  m_logFlushTimer.setSingleShot(true);
  m_logFlushTimer.setInterval(kLogRefreshIntervalMs);
  connect(&m_logFlushTimer, &QTimer::timeout, this, &CConvertorWindow::FlushLogLines);
  m_previousMessageBoxHandler =
      SetMessageBoxHandler([this](const WString& text) { ShowMessageFromAnyThread(text); });
  m_dlg.OnInitDialog();
}

CConvertorWindow::~CConvertorWindow() {
  SetMessageBoxHandler(std::move(m_previousMessageBoxHandler));
}

void CConvertorWindow::CreateControls() {
  // Created in tab order.
  m_convertButton = MakeButton(QStringLiteral("Convert to TAVI"), QStringLiteral("convert"), this);
  m_exitButton = MakeButton(QStringLiteral("Exit"), QStringLiteral("exit"), this);
  m_fileList = new QListWidget(this);
  m_fileList->setObjectName(QStringLiteral("fileList"));
  m_fileList->setSelectionMode(QAbstractItemView::MultiSelection);
  m_browseButton = MakeButton(QStringLiteral("Browse Files"), QStringLiteral("browse"), this);
  m_logModel = new CLogListModel(this);
  m_logList = new QListView(this);
  m_logList->setObjectName(QStringLiteral("logList"));
  m_logList->setModel(m_logModel);
  m_logList->setUniformItemSizes(true);
  m_logList->setSelectionMode(QAbstractItemView::MultiSelection);
  m_logList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_progress = new QProgressBar(this);
  m_progress->setObjectName(QStringLiteral("progress"));
  m_progress->setTextVisible(false);
  m_progress->setFocusPolicy(Qt::NoFocus);

  setTabOrder(m_convertButton, m_exitButton);
  setTabOrder(m_exitButton, m_fileList);
  setTabOrder(m_fileList, m_browseButton);
  setTabOrder(m_browseButton, m_logList);

  connect(m_convertButton, &QPushButton::clicked, this, [this] { m_dlg.OnConvert(); });
  connect(m_browseButton, &QPushButton::clicked, this, [this] { m_dlg.OnBrowseFiles(); });
  connect(m_exitButton, &QPushButton::clicked, this, &CConvertorWindow::reject);
}

void CConvertorWindow::LayOutControls() {
  const SDialogBaseUnits units = DialogBaseUnitsOf(font());
  Place(m_convertButton, units, kConvertRect);
  Place(m_exitButton, units, kExitRect);
  Place(m_fileList, units, kFileListRect);
  Place(m_browseButton, units, kBrowseRect);
  Place(m_logList, units, kLogListRect);
  Place(m_progress, units, kProgressRect);
  setFixedSize(MapDialogRect(units, 0, 0, kClientWidth, kClientHeight).size());
}

void CConvertorWindow::reject() {
  m_dlg.OnExit();
}

void CConvertorWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter) {
    QDialog::keyPressEvent(e);
    return;
  }
  // Enter presses the button that has the focus, as Space does, and does nothing elsewhere: the
  // window has no OK button, and Enter must never close it behind the guard's back.
  if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
}

void CConvertorWindow::EndDialog() {
  QDialog::reject();
}

void CConvertorWindow::Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  QCoreApplication::postEvent(this, new CConvertorMessageEvent(message, wParam, lParam));
}

bool CConvertorWindow::event(QEvent* e) {
  if (e->type() != CConvertorMessageEvent::EventType()) return QDialog::event(e);
  const auto* posted = static_cast<CConvertorMessageEvent*>(e);
  m_dlg.OnWndMsg(posted->Message(), posted->WParam(), posted->LParam());
  return true;
}

void CConvertorWindow::AddFileLine(const WString& path) {
  // The first row that sorts after path: equal lines keep their order of arrival.
  int low = 0;
  int high = m_fileList->count();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (FileListLess(path, FromQString(m_fileList->item(middle)->text()))) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  m_fileList->insertItem(low, ToQString(path));
}

void CConvertorWindow::ResetFileLines() {
  m_fileList->clear();
}

int CConvertorWindow::GetFileLineCount() const {
  return m_fileList->count();
}

WString CConvertorWindow::GetFileLineText(int index) const {
  const QListWidgetItem* item = m_fileList->item(index);
  return item == nullptr ? WString() : FromQString(item->text());
}

void CConvertorWindow::AddLogLine(const WString& line) {
  m_logModel->Append(ToQString(line));
  if (!m_logFlushTimer.isActive()) m_logFlushTimer.start();
}

int CConvertorWindow::GetLogLineCount() const {
  return m_logModel->TotalCount();
}

void CConvertorWindow::SetLogTopIndex(int index) {
  m_logTopIndex = index;
  if (!m_logModel->HasPending()) FlushLogLines();
}

void CConvertorWindow::FlushLogLines() {
  m_logModel->Flush();
  if (m_logTopIndex >= 0 && m_logTopIndex < m_logModel->rowCount()) {
    m_logList->scrollTo(m_logModel->index(m_logTopIndex), QAbstractItemView::PositionAtTop);
  }
}

void CConvertorWindow::SetProgressRange(int lower, int upper) {
  m_progress->setRange(lower, upper);
}

void CConvertorWindow::SetProgressPos(int position) {
  m_progress->setValue(position);
}

void CConvertorWindow::ShowMessage(const WString& text) {
  QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), ToQString(text),
                  QMessageBox::Ok, this);
  box.exec();
}

void CConvertorWindow::ShowMessageFromAnyThread(const WString& text) {
  if (QThread::currentThread() == thread()) {
    ShowMessage(text);
    return;
  }
  // The worker waits here until the box on the window's thread has been closed.
  QMetaObject::invokeMethod(
      this, [this, &text] { ShowMessage(text); }, Qt::BlockingQueuedConnection);
}

std::optional<std::vector<WString>> CConvertorWindow::PickFiles(
    const WString& title, const std::vector<WString>& filters) {
  QStringList filterNames;
  for (const WString& filter : filters) filterNames.append(ToQString(filter));
  const QStringList picked = QFileDialog::getOpenFileNames(this, ToQString(title), QString(),
                                                           filterNames.join(QStringLiteral(";;")));
  if (picked.isEmpty()) return std::nullopt;
  std::vector<WString> paths;
  paths.reserve(static_cast<std::size_t>(picked.size()));
  for (const QString& path : picked) paths.push_back(FromQString(path));
  return paths;
}

bool CConvertorWindow::StartWorker(IConversionHost& host) {
  return m_worker.Start(host);
}

bool CConvertorWindow::IsWorkerRunning() const {
  return m_worker.IsRunning();
}

}  // namespace tavi
