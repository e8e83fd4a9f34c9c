#include "gui/convertor_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/conversion_worker.h"
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

QPushButton* Button(const CConvertorWindow& window, const char* name) {
  return window.findChild<QPushButton*>(QString::fromLatin1(name));
}

QStringList ShownLogLines(const CConvertorWindow& window) {
  const QAbstractItemModel* model = window.findChild<QListView*>("logList")->model();
  QStringList lines;
  for (int i = 0; i < model->rowCount(); ++i) lines.append(model->index(i, 0).data().toString());
  return lines;
}

// Runs in a fresh working folder, on the offscreen platform (also set by the test's environment).
class ConvertorWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    s_application = std::make_unique<QApplication>(s_argc, s_argv);
    QApplication::setApplicationName(QStringLiteral("TAVI Convertor"));
  }
  static void TearDownTestSuite() { s_application.reset(); }
  void SetUp() override { std::filesystem::current_path(folder.Path()); }
  void TearDown() override { std::filesystem::current_path(m_savedFolder); }

  QString PathOf(const char* name) const {
    return QString::fromStdU16String(GetWorkingFolder() + kPathSeparator) + name;
  }

  test::TempFolder folder;

 private:
  static inline int s_argc = 1;
  static inline char s_name[] = "gui_tests";
  static inline char* s_argv[] = {s_name, nullptr};
  static inline std::unique_ptr<QApplication> s_application;
  const std::filesystem::path m_savedFolder = std::filesystem::current_path();
};

// The template's size is the smallest; growing gives the lists the extra height in the ratio of
// their template heights (94 : 81) and everything but the buttons the extra width.
TEST_F(ConvertorWindowTest, GrowingGivesTheRoomToTheListsAndTheBar) {
  CConvertorWindow window;
  window.show();
  const QSize start = window.size();
  EXPECT_EQ(window.minimumSize(), start);
  EXPECT_TRUE(
      window.windowFlags().testFlags(Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint));
  const struct {
    const char* name;
    int dx, dy, dWidth, dHeight;
  } cases[] = {{"convert", 200, 0, 0, 0},   {"browse", 200, 0, 0, 0},
               {"exit", 200, 0, 0, 0},      {"fileList", 0, 0, 200, 94},
               {"logList", 0, 94, 200, 81}, {"progress", 0, 175, 200, 0}};
  std::vector<QRect> before;
  for (const auto& c : cases) before.push_back(window.findChild<QWidget*>(c.name)->geometry());
  window.resize(start + QSize(200, 175));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.size() == start + QSize(200, 175); }));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    EXPECT_EQ(window.findChild<QWidget*>(c.name)->geometry(),
              before[i].translated(c.dx, c.dy).adjusted(0, 0, c.dWidth, c.dHeight))
        << c.name;
  }
}

// The drop replaces the list with its input files in sorted places; each row's tip is its path.
TEST_F(ConvertorWindowTest, DroppedFilesReplaceTheList) {
  std::ofstream(folder.Path() / "old.csv").put('x');
  CConvertorWindow window;
  ASSERT_EQ(window.GetFileLineCount(), 1);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(PathOf("b.txt")), QUrl::fromLocalFile(PathOf("c.doc")),
                QUrl::fromLocalFile(PathOf("B.txt")), QUrl::fromLocalFile(PathOf("A.gep"))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.GetFileLineCount() == 3; }, kRunTimeoutMs));
  const auto* list = window.findChild<QListWidget*>("fileList");
  QStringList lines, tips;
  for (int i = 0; i < list->count(); ++i) {
    lines.append(QString::fromStdU16String(window.GetFileLineText(i)));
    tips.append(list->item(i)->toolTip());
  }
  EXPECT_EQ(lines, QStringList({PathOf("A.gep"), PathOf("B.txt"), PathOf("b.txt")}));
  EXPECT_EQ(tips, lines);
}

// Answers message boxes as they open, and notes what each showed: its caption, the convert
// button's text, and whether it had room for the caption and the title bar's buttons beside it.
// Boxes whose first lines it is given are answered in that order, any other box at once.
class CBoxAnswerer {
 public:
  CBoxAnswerer(const CConvertorWindow& window, QStringList texts) : m_texts(std::move(texts)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this, &window] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      const QString first = box == nullptr ? QString() : box->text().section('\n', 0, 0);
      if (box == nullptr || (m_texts.contains(first) && first != m_texts.front())) return;
      m_texts.removeOne(first);
      answered.append(box->text() + " " + box->windowTitle() + " " +
                      Button(window, "convert")->text());
      wideEnough += box->width() >= 2 * box->fontMetrics().horizontalAdvance(box->windowTitle());
      box->button(QMessageBox::Ok)->click();
    });
    m_timer.start(5);
  }

  QStringList answered;
  int wideEnough = 0;

 private:
  QStringList m_texts;
  QTimer m_timer;
};

// "Done!" from the worker closes the "Please wait" box left open, so that it is not left to answer.
TEST_F(ConvertorWindowTest, DoneClosesTheWaitBoxAndBoxesShowTheirCaption) {
  CConvertorWindow window;
  window.show();
  CBoxAnswerer answerer(window, {"Done!", "Please wait until conversion ends"});
  std::thread worker;
  QTimer::singleShot(0, [&worker] { worker = std::thread([] { ShowMessageBox(kDoneText); }); });
  window.ShowMessage(u"Please wait until conversion ends");
  worker.join();
  EXPECT_EQ(answerer.answered,
            QStringList({"Done!\n0 files converted, 0 failed; 0 POIs written; 0 lines left out "
                         "TAVI Convertor Convert to TAVI"}));
  EXPECT_EQ(answerer.wideEnough, 1);
}

// Enter on the file list does nothing, Enter presses the focused button, Escape closes an idle
// window.
TEST_F(ConvertorWindowTest, Keys) {
  CConvertorWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  CBoxAnswerer answerer(window, {});
  auto* list = window.findChild<QListWidget*>("fileList");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(answerer.answered.isEmpty());
  Button(window, "convert")->setFocus();
  QTest::keyClick(Button(window, "convert"), Qt::Key_Return);
  EXPECT_EQ(answerer.answered, QStringList({"Nothing to do, click on Browse button and select "
                                            "files to convert TAVI Convertor Convert to TAVI"}));
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

// While "Done!" is open the run is still under way: the button reads "Stop" until it is closed.
TEST_F(ConvertorWindowTest, ConvertsTheListedFilesAndAnswersDone) {
  std::ofstream(folder.Path() / "a.csv") << "13.4;52.5;Place\n1;2;Two\n";
  std::ofstream(folder.Path() / "b.txt") << "12.5|-0.5|A\n";
  CConvertorWindow window;
  window.show();
  CBoxAnswerer answerer(window, {});
  Button(window, "convert")->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.IsWorkerRunning(); }, kRunTimeoutMs));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ShownLogLines(window).size() >= 8; }, kRunTimeoutMs));
  EXPECT_EQ(answerer.answered,
            QStringList({"Done!\n2 files converted, 0 failed; 3 POIs written; 0 lines left out "
                         "TAVI Convertor Stop"}));
  // The separator lines show empty.
  EXPECT_EQ(ShownLogLines(window).first(), QString());
  EXPECT_EQ(ShownLogLines(window).last(), "Successfully imported 1 pois - " + PathOf("b.tavi"));
  EXPECT_EQ(window.findChild<QProgressBar*>("progress")->value(), 100);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return Button(window, "convert")->text() == "Convert to TAVI"; }));
  Button(window, "exit")->click();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace tavi
