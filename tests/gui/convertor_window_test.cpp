#include "gui/convertor_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/path.h"
#include "support/test_support.h"

// Readable values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tavi {
namespace {

using ::testing::ElementsAre;

// Generous: only a broken run gets anywhere near it.
constexpr int kRunTimeoutMs = 60000;

class ConvertorWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Also set by the test's environment; this keeps a direct run of the binary headless too.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    s_application = std::make_unique<QApplication>(s_argc, s_argv);
    QApplication::setApplicationName(QStringLiteral("TAVI Convertor"));
  }
  static void TearDownTestSuite() { s_application.reset(); }

  void SetUp() override {
    m_savedFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
  }
  void TearDown() override { std::filesystem::current_path(m_savedFolder); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder.Path() / name, std::ios::binary) << text;
  }
  QString PathOf(const std::string& name) const {
    return QString::fromStdU16String(GetWorkingFolder() + kPathSeparator) +
           QString::fromStdString(name);
  }

  static QStringList FileLines(const CConvertorWindow& window) {
    const auto* list = window.findChild<QListWidget*>(QStringLiteral("fileList"));
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines.append(list->item(i)->text());
    return lines;
  }
  static QStringList ShownLogLines(const CConvertorWindow& window) {
    const QAbstractItemModel* model =
        window.findChild<QListView*>(QStringLiteral("logList"))->model();
    QStringList lines;
    for (int i = 0; i < model->rowCount(); ++i) lines.append(model->index(i, 0).data().toString());
    return lines;
  }
  static QPushButton* Button(const CConvertorWindow& window, const char* name) {
    return window.findChild<QPushButton*>(QString::fromLatin1(name));
  }

  test::TempFolder folder;

 private:
  static inline int s_argc = 1;
  static inline char s_name[] = "gui_tests";
  static inline char* s_argv[] = {s_name, nullptr};
  static inline std::unique_ptr<QApplication> s_application;
  std::filesystem::path m_savedFolder;
};

TEST_F(ConvertorWindowTest, OpensWithCaptionButtonsAndFixedSizeWithoutCloseBox) {
  CConvertorWindow window;
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Ostrel TAVI Convertor v1.0"));
  EXPECT_EQ(Button(window, "convert")->text(), QStringLiteral("Convert to TAVI"));
  EXPECT_EQ(Button(window, "browse")->text(), QStringLiteral("Browse Files"));
  EXPECT_EQ(Button(window, "exit")->text(), QStringLiteral("Exit"));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  const auto* progress = window.findChild<QProgressBar*>(QStringLiteral("progress"));
  EXPECT_EQ(progress->minimum(), 0);
  EXPECT_EQ(progress->maximum(), 100);
}

TEST_F(ConvertorWindowTest, TabOrderFollowsTheTemplate) {
  CConvertorWindow window;
  // The chain also holds the lists' own scroll bars and viewports; only the controls count.
  QWidget* widget = Button(window, "convert");
  QStringList order;
  while (order.size() < 5) {
    if (widget->parentWidget() == &window) order.append(widget->objectName());
    widget = widget->nextInFocusChain();
  }
  EXPECT_EQ(order, QStringList({QStringLiteral("convert"), QStringLiteral("exit"),
                                QStringLiteral("fileList"), QStringLiteral("browse"),
                                QStringLiteral("logList")}));
}

TEST_F(ConvertorWindowTest, ListsTheWorkingFolderSortedWithoutRegardToCase) {
  Write("b.csv", "");
  Write("C.txt", "");
  Write("a.gep", "");
  Write("d.doc", "");
  CConvertorWindow window;
  EXPECT_EQ(FileLines(window), QStringList({PathOf("a.gep"), PathOf("b.csv"), PathOf("C.txt")}));
}

TEST_F(ConvertorWindowTest, FileLinesGoToTheirSortedPlace) {
  CConvertorWindow window;
  for (const char16_t* path : {u"/p/zeta.csv", u"/p/beta.csv", u"/p/Alpha.csv", u"/p/Beta.csv"}) {
    window.AddFileLine(path);
  }
  EXPECT_EQ(FileLines(window),
            QStringList({QStringLiteral("/p/Alpha.csv"), QStringLiteral("/p/Beta.csv"),
                         QStringLiteral("/p/beta.csv"), QStringLiteral("/p/zeta.csv")}));
}

TEST_F(ConvertorWindowTest, LogLinesArriveTogetherAndShowWithoutLineBreaks) {
  CConvertorWindow window;
  QSignalSpy insertions(window.findChild<QListView*>(QStringLiteral("logList"))->model(),
                        &QAbstractItemModel::rowsInserted);
  window.AddLogLine(u"\r\n");
  window.AddLogLine(u"one");
  window.AddLogLine(u"two");
  window.SetLogTopIndex(2);
  EXPECT_EQ(window.GetLogLineCount(), 3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return ShownLogLines(window).size() == 3; }, kRunTimeoutMs));
  EXPECT_EQ(ShownLogLines(window),
            QStringList({QString(), QStringLiteral("one"), QStringLiteral("two")}));
  EXPECT_EQ(insertions.count(), 1);
}

TEST_F(ConvertorWindowTest, EscapeClosesAnIdleWindow) {
  CConvertorWindow window;
  window.show();
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Rejected);
}

// Answers every message box as it opens. While "Done!" is open the run is still under way: before
// "Done!" is answered, "Convert to TAVI" and then "Exit" are pressed, one at a time.
class CBoxAnswerer {
 public:
  explicit CBoxAnswerer(CConvertorWindow& window) : m_window(window) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Answer(); });
    m_timer.start(5);
  }

  QStringList answered;
  QStringList captions;
  int runningWhileDoneOpen = 0;
  int visibleWhileDoneOpen = 0;

 private:
  void Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    if (box->text() == QStringLiteral("Done!") && m_nextPress < std::size(kPressesDuringDone)) {
      runningWhileDoneOpen += m_window.IsWorkerRunning() ? 1 : 0;
      visibleWhileDoneOpen += m_window.isVisible() ? 1 : 0;
      QTimer::singleShot(0, m_window.findChild<QPushButton*>(kPressesDuringDone[m_nextPress++]),
                         &QPushButton::click);
      return;
    }
    answered.append(box->text());
    captions.append(box->windowTitle());
    box->button(QMessageBox::Ok)->click();
  }

  static constexpr const char* kPressesDuringDone[] = {"convert", "exit"};
  CConvertorWindow& m_window;
  QTimer m_timer;
  std::size_t m_nextPress = 0;
};

TEST_F(ConvertorWindowTest, EnterOnTheFileListDoesNothing) {
  CConvertorWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  CBoxAnswerer answerer(window);
  auto* list = window.findChild<QListWidget*>(QStringLiteral("fileList"));
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(answerer.answered.isEmpty());
}

TEST_F(ConvertorWindowTest, EnterPressesTheFocusedButton) {
  CConvertorWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  CBoxAnswerer answerer(window);
  Button(window, "convert")->setFocus();
  QTest::keyClick(Button(window, "convert"), Qt::Key_Return);
  EXPECT_EQ(answerer.answered,
            QStringList({QStringLiteral("Nothing to do, click on Browse button and select files to "
                                        "convert")}));
  Button(window, "exit")->setFocus();
  QTest::keyClick(Button(window, "exit"), Qt::Key_Return);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(ConvertorWindowTest, ConvertsTheListedFilesAndAnswersDone) {
  Write("a.csv", "13.4;52.5;Place\n1;2;Two\n");
  Write("b.txt", "12.5|-0.5|A\n");
  CConvertorWindow window;
  window.show();
  CBoxAnswerer answerer(window);

  Button(window, "convert")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.IsWorkerRunning(); }, kRunTimeoutMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ShownLogLines(window).size() >= 8; }, kRunTimeoutMs));

  EXPECT_EQ(answerer.runningWhileDoneOpen, 2);
  EXPECT_EQ(answerer.visibleWhileDoneOpen, 2);
  EXPECT_EQ(answerer.answered, QStringList({QStringLiteral("Conversion is already running!"),
                                            QStringLiteral("Please wait until conversion ends"),
                                            QStringLiteral("Done!")}));
  EXPECT_EQ(answerer.captions, QStringList(3, QStringLiteral("TAVI Convertor")));
  EXPECT_EQ(
      ShownLogLines(window),
      QStringList({QString(), "Importing csv - " + PathOf("a.csv"),
                   "Saving tavi file - " + PathOf("a.tavi"),
                   "Successfully imported 2 pois - " + PathOf("a.tavi"), QString(),
                   "Importing csv - " + PathOf("b.txt"), "Saving tavi file - " + PathOf("b.tavi"),
                   "Successfully imported 1 pois - " + PathOf("b.tavi")}));
  EXPECT_EQ(window.findChild<QProgressBar*>(QStringLiteral("progress"))->value(), 100);
  EXPECT_GT(std::filesystem::file_size(folder.Path() / "a.tavi"), 0u);
  EXPECT_GT(std::filesystem::file_size(folder.Path() / "b.tavi"), 0u);

  Button(window, "exit")->click();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace tavi
