#include "app/convertor_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "app/convertor_dialog_worker.h"
#include "app/file_list_order.h"
#include "platform/convertor_messages.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char16_t kAlreadyRunning[] = u"Conversion is already running!";
constexpr char16_t kNothingToDo[] =
    u"Nothing to do, click on Browse button and select files to convert";
constexpr char16_t kPleaseWait[] = u"Please wait until conversion ends";

// Records what the dialog asks of its window; the file list sorts as the real one does.
class CFakeControls : public IDialogControls, public IMessageTarget {
 public:
  void AddFileLine(const WString& path) override {
    fileLines.insert(
        std::upper_bound(fileLines.begin(), fileLines.end(), path,
                         [](const WString& a, const WString& b) { return FileListLess(a, b); }),
        path);
  }
  void ResetFileLines() override { fileLines.clear(); }
  int GetFileLineCount() const override { return static_cast<int>(fileLines.size()); }
  WString GetFileLineText(int index) const override {
    return fileLines.at(static_cast<std::size_t>(index));
  }
  void AddLogLine(const WString& line) override { logLines.push_back(line); }
  int GetLogLineCount() const override { return static_cast<int>(logLines.size()); }
  void SetLogTopIndex(int index) override { logTopIndex = index; }
  void SetProgressRange(int lower, int upper) override {
    rangeLower = lower;
    rangeUpper = upper;
  }
  void SetProgressPos(int position) override { positions.push_back(position); }
  void ShowMessage(const WString& text) override { messages.push_back(text); }
  std::optional<std::vector<WString>> PickFiles(const WString& title,
                                                const std::vector<WString>& filters) override {
    ++pickerShown;
    pickerTitle = title;
    pickerFilters = filters;
    return picked;
  }
  bool StartWorker(IConversionHost& host) override {
    if (!threadsAvailable) return false;
    startedHost = &host;
    ++workersStarted;
    running = true;
    return true;
  }
  bool IsWorkerRunning() const override { return running; }
  IMessageTarget& GetMessageTarget() override { return *this; }
  void EndDialog() override { ++endDialogCalls; }
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) override {
    posted.emplace_back(message, wParam);
  }

  std::vector<WString> fileLines;
  std::vector<WString> logLines;
  int logTopIndex = -1;
  int rangeLower = -1;
  int rangeUpper = -1;
  std::vector<int> positions;
  std::vector<WString> messages;
  std::optional<std::vector<WString>> picked;
  int pickerShown = 0;
  WString pickerTitle;
  std::vector<WString> pickerFilters;
  bool threadsAvailable = true;
  IConversionHost* startedHost = nullptr;
  int workersStarted = 0;
  bool running = false;
  int endDialogCalls = 0;
  std::vector<std::pair<std::uint32_t, std::uintptr_t>> posted;
};

class ConvertorDialogTest : public ::testing::Test {
 protected:
  // The worker's side of a run: walks the list as the real worker does.
  std::vector<WString> WalkListAsWorker() {
    std::vector<WString> seen;
    IConversionHost& host = *controls.startedHost;
    for (int i = 0; i < host.GetFileCount(); ++i) {
      seen.push_back(host.GetFileText(i));
      ++host.m_nFilesDone;
    }
    return seen;
  }

  CFakeControls controls;
  CTAVIConvertorDlg dlg{controls};
};

TEST_F(ConvertorDialogTest, ConvertWithEmptyListSaysNothingToDo) {
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, ElementsAre(kNothingToDo));
  EXPECT_EQ(controls.workersStarted, 0);
  EXPECT_FALSE(dlg.IsConversionRunning());
}

TEST_F(ConvertorDialogTest, ConvertStartsOneWorkerOnTheListInSortedOrder) {
  controls.AddFileLine(u"/d/b.csv");
  controls.AddFileLine(u"/d/A.gep");
  dlg.m_nFilesDone = 7;
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, IsEmpty());
  EXPECT_EQ(controls.workersStarted, 1);
  EXPECT_EQ(controls.startedHost, &dlg);
  EXPECT_EQ(dlg.m_nFilesDone.load(), 0);
  EXPECT_TRUE(dlg.IsConversionRunning());
  EXPECT_THAT(WalkListAsWorker(), ElementsAre(u"/d/A.gep", u"/d/b.csv"));
}

TEST_F(ConvertorDialogTest, SecondConvertDuringRunLeavesTheRunAlone) {
  controls.AddFileLine(u"/d/a.csv");
  controls.AddFileLine(u"/d/b.csv");
  controls.AddFileLine(u"/d/c.csv");
  dlg.OnConvert();
  dlg.m_nFilesDone = 2;
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, ElementsAre(kAlreadyRunning));
  EXPECT_EQ(controls.workersStarted, 1);
  EXPECT_EQ(dlg.m_nFilesDone.load(), 2);
  EXPECT_THAT(controls.positions, IsEmpty());
}

TEST_F(ConvertorDialogTest, NewRunAfterDoneCountsFromZeroOverTheSameList) {
  controls.AddFileLine(u"/d/a.csv");
  controls.AddFileLine(u"/d/b.txt");
  dlg.OnConvert();
  WalkListAsWorker();
  EXPECT_EQ(dlg.m_nFilesDone.load(), 2);
  controls.running = false;  // "Done!" was closed and the worker returned
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, IsEmpty());
  EXPECT_EQ(controls.workersStarted, 2);
  EXPECT_EQ(dlg.m_nFilesDone.load(), 0);
  EXPECT_THAT(WalkListAsWorker(), ElementsAre(u"/d/a.csv", u"/d/b.txt"));
}

TEST_F(ConvertorDialogTest, WorkerThatCannotStartLeavesTheDialogIdleWithoutAWord) {
  controls.AddFileLine(u"/d/a.csv");
  controls.threadsAvailable = false;
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, IsEmpty());
  EXPECT_FALSE(dlg.IsConversionRunning());
}

TEST_F(ConvertorDialogTest, BrowseDuringRunIsRefusedWithoutPicker) {
  controls.AddFileLine(u"/d/a.csv");
  dlg.OnConvert();
  controls.picked = std::vector<WString>{u"/e/x.csv"};
  dlg.OnBrowseFiles();
  EXPECT_THAT(controls.messages, ElementsAre(kAlreadyRunning));
  EXPECT_EQ(controls.pickerShown, 0);
  EXPECT_THAT(controls.fileLines, ElementsAre(u"/d/a.csv"));
}

TEST_F(ConvertorDialogTest, PickerAsksForSeveralInputFilesWithAllFilesFirst) {
  dlg.OnBrowseFiles();
  EXPECT_EQ(controls.pickerShown, 1);
  EXPECT_EQ(controls.pickerTitle, u"Select files to import");
  EXPECT_THAT(controls.pickerFilters,
              ElementsAre(u"All files (*)", u"GEP (*.gep)", u"TXT (*.txt)", u"CSV (*.csv)"));
}

TEST_F(ConvertorDialogTest, ConfirmedPickReplacesTheListKeepingInputEndingsOnly) {
  controls.AddFileLine(u"/old/kept-before.csv");
  controls.picked = std::vector<WString>{u"/p/e.csv", u"/p/a.dat",  u"/p/D.gep", u"/p/b.CSV",
                                         u"/p/c.txt", u"/p/f.csvx", u"/p/g.tx",  u"/p/hgep"};
  dlg.OnBrowseFiles();
  EXPECT_THAT(controls.messages, IsEmpty());
  EXPECT_THAT(controls.fileLines, ElementsAre(u"/p/c.txt", u"/p/D.gep", u"/p/e.csv"));
}

TEST_F(ConvertorDialogTest, ConfirmedPickWithoutInputEndingsEmptiesTheList) {
  controls.AddFileLine(u"/old/a.csv");
  controls.picked = std::vector<WString>{u"/p/a.dat", u"/p/B.CSV", u"/p/c.TXT"};
  dlg.OnBrowseFiles();
  EXPECT_THAT(controls.fileLines, IsEmpty());
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, ElementsAre(kNothingToDo));
}

TEST_F(ConvertorDialogTest, CancelledPickKeepsTheList) {
  controls.AddFileLine(u"/old/a.csv");
  controls.picked = std::nullopt;
  dlg.OnBrowseFiles();
  EXPECT_EQ(controls.pickerShown, 1);
  EXPECT_THAT(controls.fileLines, ElementsAre(u"/old/a.csv"));
}

TEST_F(ConvertorDialogTest, PickedPathsAreListedSortedNotInPickOrder) {
  controls.picked = std::vector<WString>{u"/p/zeta.csv", u"/p/Beta.csv", u"/p/alpha.csv"};
  dlg.OnBrowseFiles();
  EXPECT_THAT(controls.fileLines, ElementsAre(u"/p/alpha.csv", u"/p/Beta.csv", u"/p/zeta.csv"));
}

TEST_F(ConvertorDialogTest, ExitWhileIdleEndsTheDialog) {
  dlg.OnExit();
  EXPECT_EQ(controls.endDialogCalls, 1);
  EXPECT_THAT(controls.messages, IsEmpty());
}

TEST_F(ConvertorDialogTest, ExitDuringRunAsksToWaitAndKeepsTheDialog) {
  controls.AddFileLine(u"/d/a.csv");
  dlg.OnConvert();
  dlg.OnExit();
  EXPECT_EQ(controls.endDialogCalls, 0);
  EXPECT_THAT(controls.messages, ElementsAre(kPleaseWait));
}

struct ProgressCase {
  std::int32_t filesDone;
  std::int32_t percent;
  int bar;
};

class ConvertorDialogProgressTest : public ConvertorDialogTest,
                                    public ::testing::WithParamInterface<ProgressCase> {};

// Three files: the step is 33.333332 in single precision, so the first file moves the bar to 16
// and 33, and the last one through 66 and 83 up to 100.
TEST_P(ConvertorDialogProgressTest, BarFollowsFinishedFilesAndThePercentOfTheCurrentOne) {
  controls.AddFileLine(u"/d/a.csv");
  controls.AddFileLine(u"/d/b.csv");
  controls.AddFileLine(u"/d/c.csv");
  dlg.m_nFilesDone = GetParam().filesDone;
  dlg.OnWndMsg(WM_CONVERTOR_PROGRESS, static_cast<std::uintptr_t>(GetParam().percent), 0);
  EXPECT_THAT(controls.positions, ElementsAre(GetParam().bar));
}

INSTANTIATE_TEST_SUITE_P(ThreeFiles, ConvertorDialogProgressTest,
                         ::testing::Values(ProgressCase{0, 0, 0}, ProgressCase{0, 50, 16},
                                           ProgressCase{0, 100, 33}, ProgressCase{1, 0, 33},
                                           ProgressCase{2, 0, 66}, ProgressCase{2, 50, 83},
                                           ProgressCase{2, 100, 100}));

class ConvertorDialogWindowTest : public ConvertorDialogTest {
 protected:
  void SetUp() override {
    m_savedFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
  }
  void TearDown() override { std::filesystem::current_path(m_savedFolder); }

  void Touch(const std::string& name) { std::ofstream(folder.Path() / name).put('x'); }

  test::TempFolder folder;

 private:
  std::filesystem::path m_savedFolder;
};

TEST_F(ConvertorDialogWindowTest, InitSetsTheBarRangeAndRegistersTheWindow) {
  dlg.OnInitDialog();
  EXPECT_EQ(controls.rangeLower, 0);
  EXPECT_EQ(controls.rangeUpper, 100);
  EXPECT_EQ(g_hMainWnd.load(), &controls);
}

TEST_F(ConvertorDialogWindowTest, ClosedDialogNoLongerReceivesMessages) {
  {
    CFakeControls other;
    CTAVIConvertorDlg shortLived(other);
    shortLived.OnInitDialog();
    EXPECT_EQ(g_hMainWnd.load(), &other);
  }
  EXPECT_EQ(g_hMainWnd.load(), nullptr);
}

TEST_F(ConvertorDialogWindowTest, InitListsTheInputFilesOfTheWorkingFolderSorted) {
  for (const char* name : {"c.txt", "b.csv", "A.gep", "d.doc", "E.CSV", "f.csvx"}) Touch(name);
  std::filesystem::create_directory(folder.Path() / "archive.txt");
  std::filesystem::create_directory(folder.Path() / "sub");
  Touch("sub/inner.csv");
  dlg.OnInitDialog();
  const WString base = GetWorkingFolder() + kPathSeparator;
  EXPECT_THAT(controls.fileLines, ElementsAre(base + u"A.gep", base + u"archive.txt",
                                              base + u"b.csv", base + u"c.txt"));
}

TEST_F(ConvertorDialogWindowTest, EmptyWorkingFolderLeavesNothingToDo) {
  dlg.OnInitDialog();
  EXPECT_THAT(controls.fileLines, IsEmpty());
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, ElementsAre(kNothingToDo));
}

TEST_F(ConvertorDialogWindowTest, LogLinesAreTakenFromTheSlotInOrderAndScrolledTo) {
  dlg.OnInitDialog();
  PostLogLine(u"first - /d/a.csv");
  dlg.OnWndMsg(WM_CONVERTOR_LOG, 1, 0);
  PostLogLine(u"second - /d/a.tavi");
  dlg.OnWndMsg(WM_CONVERTOR_LOG, 1, 0);
  EXPECT_THAT(controls.logLines, ElementsAre(u"first - /d/a.csv", u"second - /d/a.tavi"));
  EXPECT_EQ(controls.logTopIndex, 1);
  EXPECT_EQ(controls.posted.size(), 2u);
}

TEST_F(ConvertorDialogWindowTest, LogMessageWithEmptySlotAddsNothing) {
  dlg.OnInitDialog();
  dlg.OnWndMsg(WM_CONVERTOR_LOG, 1, 0);
  EXPECT_THAT(controls.logLines, IsEmpty());
  EXPECT_EQ(controls.logTopIndex, -1);
}

TEST_F(ConvertorDialogWindowTest, OtherMessagesChangeNothing) {
  controls.AddFileLine(u"/d/a.csv");
  dlg.OnWndMsg(WM_USER + 1, 50, 0);
  EXPECT_THAT(controls.positions, IsEmpty());
  EXPECT_THAT(controls.logLines, IsEmpty());
}

struct EndingCase {
  const char16_t* path;
  bool accepted;
};

class InputEndingTest : public ::testing::TestWithParam<EndingCase> {};

TEST_P(InputEndingTest, OnlyTheLastFourCharactersDecideExactly) {
  EXPECT_EQ(HasInputEnding(GetParam().path), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, InputEndingTest,
    ::testing::Values(EndingCase{u"/d/a.gep", true}, EndingCase{u"/d/a.csv", true},
                      EndingCase{u"/d/a.txt", true}, EndingCase{u"/d/a.GEP", false},
                      EndingCase{u"/d/a.Csv", false}, EndingCase{u"/d/a.csv ", false},
                      EndingCase{u"/d/a.csvx", false}, EndingCase{u"/d/acsv", false},
                      EndingCase{u".txt", true}, EndingCase{u"txt", false},
                      EndingCase{u"", false}));

// The real worker thread, with a procedure that holds the run open until the test lets it go.
class WorkerThreadTest : public ::testing::Test {
 protected:
  // A failed expectation must not leave the worker waiting forever when the fixture goes.
  ~WorkerThreadTest() override {
    if (!m_bReleased) Release();
  }

  void Release() {
    m_bReleased = true;
    release.set_value();
  }

  static void WaitUntilIdle(const CWorkerThread& worker) {
    while (worker.IsRunning()) std::this_thread::yield();
  }

  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> runs{0};
  std::atomic<IConversionHost*> seenHost{nullptr};
  CWorkerThread worker{[this](IConversionHost* given) -> std::uint32_t {
    seenHost = given;
    ++runs;
    released.wait();
    return 0;
  }};
  CFakeControls controls;
  CTAVIConvertorDlg host{controls};

 private:
  bool m_bReleased = false;
};

TEST_F(WorkerThreadTest, RunsUntilTheProcedureReturns) {
  EXPECT_FALSE(worker.IsRunning());
  ASSERT_TRUE(worker.Start(host));
  EXPECT_TRUE(worker.IsRunning());
  Release();
  WaitUntilIdle(worker);
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(seenHost.load(), &host);
}

TEST_F(WorkerThreadTest, RefusesASecondWorkerWhileOneRuns) {
  ASSERT_TRUE(worker.Start(host));
  EXPECT_FALSE(worker.Start(host));
  Release();
  WaitUntilIdle(worker);
  EXPECT_EQ(runs.load(), 1);
}

TEST_F(WorkerThreadTest, StartsAgainAfterARunHasEnded) {
  Release();
  ASSERT_TRUE(worker.Start(host));
  WaitUntilIdle(worker);
  ASSERT_TRUE(worker.Start(host));
  WaitUntilIdle(worker);
  EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace tavi
