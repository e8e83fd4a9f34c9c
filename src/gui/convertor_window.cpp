#include "gui/convertor_window.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "app/conversion_worker.h"
#include "app/file_list_order.h"
#include "gui/convertor_message_event.h"
#include "gui/dialog_units.h"
#include "gui/file_list_delegate.h"
#include "gui/log_list_model.h"

namespace tavi {

namespace {

// About one screen refresh: lines that arrive faster than this are shown together.
constexpr int kLogRefreshIntervalMs = 16;

// The window's template in dialog units.
constexpr int kClientWidth = 355;
constexpr int kClientHeight = 219;

// How a control follows the window when it grows beyond its template.
enum class EStretch {
  kTopRight,  // keeps its size, anchored to the top right corner
  kFileList,  // takes the extra width and its share of the extra height
  kLogList,   // below the file list: takes the extra width and the rest of the extra height
  kBar,       // keeps its height at the bottom, takes the extra width
};

struct SControlRect {
  int x;
  int y;
  int width;
  int height;
  EStretch stretch;
};

constexpr SControlRect kConvertRect = {275, 7, 73, 30, EStretch::kTopRight};
constexpr SControlRect kExitRect = {275, 85, 73, 16, EStretch::kTopRight};
constexpr SControlRect kFileListRect = {7, 7, 258, 94, EStretch::kFileList};
constexpr SControlRect kBrowseRect = {275, 65, 73, 16, EStretch::kTopRight};
constexpr SControlRect kLogListRect = {7, 111, 341, 81, EStretch::kLogList};
constexpr SControlRect kProgressRect = {7, 198, 341, 14, EStretch::kBar};

// Room for a message box's title bar beyond its caption: the window menu's icon and three buttons,
// in heights of the box's font.
constexpr int kTitleBarExtraLines = 8;

QString ToQString(const WString& text) {
  return QString::fromStdU16String(text);
}
WString FromQString(const QString& text) {
  return text.toStdU16String();
}

// The control's place in a window whose client area is extra pixels larger than its template;
// the lists share the extra height in the ratio of their template heights.
QRect PlaceOf(const SDialogBaseUnits& units, const SControlRect& rect, QSize extra) {
  const QRect base = MapDialogRect(units, rect.x, rect.y, rect.width, rect.height);
  const int fileListExtra =
      extra.height() * kFileListRect.height / (kFileListRect.height + kLogListRect.height);
  switch (rect.stretch) {
    case EStretch::kTopRight:
      return base.translated(extra.width(), 0);
    case EStretch::kFileList:
      return base.adjusted(0, 0, extra.width(), fileListExtra);
    case EStretch::kLogList:
      return base.adjusted(0, fileListExtra, extra.width(), extra.height());
    case EStretch::kBar:
      return base.adjusted(0, extra.height(), extra.width(), extra.height());
  }
  return base;
}

// A message box sizes itself to its text; a short text would leave its caption cut short in the
// title bar. A spacer across the box's grid keeps it at least as wide as the caption needs.
void KeepCaptionVisible(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  QFont titleFont = box.font();
  titleFont.setBold(true);
  const QFontMetrics metrics(titleFont);
  const int width =
      metrics.horizontalAdvance(box.windowTitle()) + kTitleBarExtraLines * metrics.height();
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), grid->rowCount(),
                0, 1, grid->columnCount());
}

QPushButton* MakeButton(const QString& text, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  // No button is ever the default one: Enter is handled by the window itself.
  button->setAutoDefault(false);
  return button;
}

}  // namespace

CConvertorWindow::CConvertorWindow(const std::vector<WString>& startPaths, QWidget* parent)
    // A top-level window of its own: the title bar has its close box, and the window can be
    // maximised like any other.
    : QDialog(parent, Qt::Window),
      m_dlg(*this),
      m_worker(ConversionThreadProc, [this] { OnWorkerEnded(); }) {
  setWindowTitle(QStringLiteral("Ostrel TAVI Convertor v1.0"));
  setAcceptDrops(true);
  CreateControls();
  const QSize templateSize =
      MapDialogRect(DialogBaseUnitsOf(font()), 0, 0, kClientWidth, kClientHeight).size();
  setMinimumSize(templateSize);
  resize(templateSize);
  LayOutControls();
  m_logFlushTimer.setSingleShot(true);
  m_logFlushTimer.setInterval(kLogRefreshIntervalMs);
  connect(&m_logFlushTimer, &QTimer::timeout, this, &CConvertorWindow::FlushLogLines);
  m_previousMessageBoxHandler =
      SetMessageBoxHandler([this](const WString& text) { ShowMessageFromAnyThread(text); });
  m_dlg.OnInitDialog(startPaths);
}

CConvertorWindow::~CConvertorWindow() {
  SetMessageBoxHandler(std::move(m_previousMessageBoxHandler));
}

void CConvertorWindow::CreateControls() {
  // Created in tab order.
  // Its text comes from the dialog's logic, which switches it between starting and stopping.
  m_convertButton = MakeButton(QString(), QStringLiteral("convert"), this);
  m_exitButton = MakeButton(QStringLiteral("Exit"), QStringLiteral("exit"), this);
  m_fileList = new QListWidget(this);
  m_fileList->setObjectName(QStringLiteral("fileList"));
  m_fileList->setSelectionMode(QAbstractItemView::MultiSelection);
  m_fileList->setItemDelegate(new CFileListDelegate(m_fileList));
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
  const QSize extra = (size() - MapDialogRect(units, 0, 0, kClientWidth, kClientHeight).size())
                          .expandedTo(QSize(0, 0));
  const std::pair<QWidget*, SControlRect> controls[] = {
      {m_convertButton, kConvertRect}, {m_exitButton, kExitRect}, {m_fileList, kFileListRect},
      {m_browseButton, kBrowseRect},   {m_logList, kLogListRect}, {m_progress, kProgressRect}};
  for (const auto& [widget, rect] : controls) widget->setGeometry(PlaceOf(units, rect, extra));
}

void CConvertorWindow::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  LayOutControls();
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

void CConvertorWindow::dragEnterEvent(QDragEnterEvent* e) {
  const QList<QUrl> urls = e->mimeData()->urls();
  if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
    e->acceptProposedAction();
  }
}

void CConvertorWindow::dropEvent(QDropEvent* e) {
  std::vector<WString> paths;
  for (const QUrl& url : e->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(FromQString(url.toLocalFile()));
  }
  e->acceptProposedAction();
  // Handled once the drop has been answered: a refusal opens a modal box, which must not hold up
  // the program the files were dragged from.
  QMetaObject::invokeMethod(
      this, [this, paths] { m_dlg.OnDropFiles(paths); }, Qt::QueuedConnection);
}

void CConvertorWindow::OnWorkerEnded() {
  // Called on the worker thread; the button belongs to the window's thread.
  QMetaObject::invokeMethod(
      this, [this] { m_dlg.OnRunEnded(); }, Qt::QueuedConnection);
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
  auto* item = new QListWidgetItem(ToQString(path));
  // The row shows the name first and may cut the folder short; the tip has the whole path.
  item->setToolTip(item->text());
  m_fileList->insertItem(low, item);
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
  KeepCaptionVisible(box);
  m_openBoxes.push_back(&box);
  box.exec();
  m_openBoxes.erase(std::find(m_openBoxes.begin(), m_openBoxes.end(), &box));
}

void CConvertorWindow::CloseMessages() {
  // Each box's own ShowMessage returns once its loop has ended, and only then forgets the box.
  for (QMessageBox* box : m_openBoxes) box->done(QMessageBox::Ok);
}

void CConvertorWindow::SetConvertText(const WString& text) {
  m_convertButton->setText(ToQString(text));
}

void CConvertorWindow::ShowMessageFromAnyThread(const WString& text) {
  if (QThread::currentThread() == thread()) {
    m_dlg.ShowWorkerMessage(text);
    return;
  }
  // The worker waits here until the box on the window's thread has been closed.
  QMetaObject::invokeMethod(
      this, [this, &text] { m_dlg.ShowWorkerMessage(text); }, Qt::BlockingQueuedConnection);
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
