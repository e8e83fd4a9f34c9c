#include "gui/convertor_window.h"

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

  QString PathOf(const std::string& name) const {
    return QString::fromStdU16String(GetWorkingFolder() + kPathSeparator) +
           QString::fromStdString(name);
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
}

TEST_F(ConvertorWindowTest, FileLinesGoToTheirSortedPlace) {
  CConvertorWindow window;
  for (const char16_t* path : {u"/p/zeta.csv", u"/p/beta.csv", u"/p/Alpha.csv", u"/p/Beta.csv"}) {
    window.AddFileLine(path);
  }
  QStringList lines;
  for (int i = 0; i < window.GetFileLineCount(); ++i) {
    lines.append(QString::fromStdU16String(window.GetFileLineText(i)));
  }
  EXPECT_EQ(lines, QStringList({"/p/Alpha.csv", "/p/Beta.csv", "/p/beta.csv", "/p/zeta.csv"}));
}

TEST_F(ConvertorWindowTest, LogLinesArriveTogetherAndShowWithoutLineBreaks) {
  CConvertorWindow window;
  QSignalSpy insertions(window.findChild<QListView*>(QStringLiteral("logList"))->model(),
                        &QAbstractItemModel::rowsInserted);
  for (const char16_t* line : {u"\r\n", u"one", u"two"}) window.AddLogLine(line);
  window.SetLogTopIndex(2);
  EXPECT_EQ(window.GetLogLineCount(), 3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return ShownLogLines(window).size() == 3; }, kRunTimeoutMs));
  EXPECT_EQ(ShownLogLines(window), QStringList({QString(), "one", "two"}));
  EXPECT_EQ(insertions.count(), 1);
}

// Answers every message box as it opens. While "Done!" is open the run is still under way: before
// "Done!" is answered, "Convert to TAVI" and then "Exit" are pressed, one at a time.
class CBoxAnswerer {
 public:
  explicit CBoxAnswerer(CConvertorWindow& window) : m_window(window) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Answer(); });
    m_timer.start(5);
  }

  QStringList answered, captions;
  int runningWhileDoneOpen = 0, visibleWhileDoneOpen = 0;

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

// Enter on the file list does nothing, Enter presses the focused button, Escape closes an idle
// window.
TEST_F(ConvertorWindowTest, Keys) {
  CConvertorWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  CBoxAnswerer answerer(window);
  auto* list = window.findChild<QListWidget*>(QStringLiteral("fileList"));
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(answerer.answered.isEmpty());
  Button(window, "convert")->setFocus();
  QTest::keyClick(Button(window, "convert"), Qt::Key_Return);
  EXPECT_EQ(answerer.answered,
            QStringList({"Nothing to do, click on Browse button and select files to convert"}));
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Rejected);
}

TEST_F(ConvertorWindowTest, ConvertsTheListedFilesAndAnswersDone) {
  std::ofstream(folder.Path() / "a.csv") << "13.4;52.5;Place\n1;2;Two\n";
  std::ofstream(folder.Path() / "b.txt") << "12.5|-0.5|A\n";
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
