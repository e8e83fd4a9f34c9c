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

// Records what the dialog asks of its window; the file list sorts as the real one does.
class CFakeControls : public IDialogControls, public IMessageTarget {
 public:
  void AddFileLine(const WString& path) override {
    fileLines.insert(std::upper_bound(fileLines.begin(), fileLines.end(), path, FileListLess),
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
  void SetProgressRange(int lower, int upper) override { range = {lower, upper}; }
  void SetProgressPos(int position) override { positions.push_back(position); }
  void ShowMessage(const WString& text) override { messages.push_back(text); }
  std::optional<std::vector<WString>> PickFiles(const WString& title,
                                                const std::vector<WString>& filters) override {
    picker.push_back(title);
    picker.insert(picker.end(), filters.begin(), filters.end());
    return picked;
  }
  bool StartWorker(IConversionHost& host) override {
    if (!threadsAvailable) return false;
    startedHost = &host;
    ++workersStarted;
    return running = true;
  }
  bool IsWorkerRunning() const override { return running; }
  IMessageTarget& GetMessageTarget() override { return *this; }
  void EndDialog() override { ++endDialogCalls; }
  void Post(std::uint32_t, std::uintptr_t, std::intptr_t) override { ++posted; }

  std::vector<WString> fileLines, logLines, messages, picker;  // picker: title, then filters
  std::vector<int> positions;
  std::pair<int, int> range{-1, -1};
  std::optional<std::vector<WString>> picked;
  IConversionHost* startedHost = nullptr;
  int logTopIndex = -1, workersStarted = 0, endDialogCalls = 0, posted = 0;
  bool threadsAvailable = true, running = false;
};

// The worker's side of a run: walks the list as the real worker does.
std::vector<WString> WalkListAsWorker(CFakeControls& controls) {
  std::vector<WString> seen;
  IConversionHost& host = *controls.startedHost;
  for (int i = 0; i < host.GetFileCount(); ++i) {
    seen.push_back(host.GetFileText(i));
    ++host.m_nFilesDone;
  }
  return seen;
}

class ConvertorDialogTest : public ::testing::Test {
 protected:
  CFakeControls controls;
  CTAVIConvertorDlg dlg{controls};
};

// Each guard while a run is under way (a second press included), and with an empty list.
TEST_F(ConvertorDialogTest, Guards) {
  const struct {
    bool running;
    void (CTAVIConvertorDlg::*press)();
    const char16_t* message;
    int endDialogCalls;
  } cases[] = {{false, &CTAVIConvertorDlg::OnConvert, kNothingToDo, 0},
               {true, &CTAVIConvertorDlg::OnConvert, kAlreadyRunning, 0},
               {true, &CTAVIConvertorDlg::OnBrowseFiles, kAlreadyRunning, 0},
               {true, &CTAVIConvertorDlg::OnExit, u"Please wait until conversion ends", 0},
               {false, &CTAVIConvertorDlg::OnExit, nullptr, 1}};
  for (const auto& c : cases) {
    CFakeControls fake;
    CTAVIConvertorDlg dialog(fake);
    if (c.running) {
      fake.AddFileLine(u"/d/a.csv");
      dialog.OnConvert();
    }
    fake.picked = std::vector<WString>{u"/e/x.csv"};
    dialog.m_nFilesDone = 2;
    (dialog.*c.press)();
    std::vector<WString> messages;
    if (c.message != nullptr) messages.emplace_back(c.message);
    EXPECT_EQ(fake.messages, messages);
    EXPECT_EQ(fake.endDialogCalls, c.endDialogCalls);
    EXPECT_EQ(fake.workersStarted, c.running ? 1 : 0);
    EXPECT_THAT(fake.picker, IsEmpty());
    EXPECT_EQ(dialog.m_nFilesDone.load(), 2);
    EXPECT_THAT(fake.positions, IsEmpty());
    EXPECT_EQ(dialog.IsConversionRunning(), c.running);
    EXPECT_EQ(fake.fileLines,
              c.running ? std::vector<WString>{u"/d/a.csv"} : std::vector<WString>{});
  }
}

// A worker that cannot start leaves the dialog idle without a word.
TEST_F(ConvertorDialogTest, EachRunStartsOneWorkerOnTheSortedListCountingFromZero) {
  controls.AddFileLine(u"/d/b.csv");
  controls.AddFileLine(u"/d/A.gep");
  controls.threadsAvailable = false;
  dlg.OnConvert();
  EXPECT_FALSE(dlg.IsConversionRunning());
  controls.threadsAvailable = true;
  dlg.m_nFilesDone = 7;
  dlg.OnConvert();
  EXPECT_EQ(controls.startedHost, &dlg);
  EXPECT_EQ(dlg.m_nFilesDone.load(), 0);
  EXPECT_TRUE(dlg.IsConversionRunning());
  EXPECT_THAT(WalkListAsWorker(controls), ElementsAre(u"/d/A.gep", u"/d/b.csv"));
  EXPECT_EQ(dlg.m_nFilesDone.load(), 2);
  controls.running = false;  // "Done!" was closed and the worker returned
  dlg.OnConvert();
  EXPECT_THAT(controls.messages, IsEmpty());
  EXPECT_EQ(controls.workersStarted, 2);
  EXPECT_EQ(dlg.m_nFilesDone.load(), 0);
  EXPECT_THAT(WalkListAsWorker(controls), ElementsAre(u"/d/A.gep", u"/d/b.csv"));
}

// A confirmed pick replaces the list with the picked input files in sorted places; a cancel keeps
// it. Convert then works on what is listed.
TEST_F(ConvertorDialogTest, PickedFiles) {
  const struct {
    std::optional<std::vector<WString>> picked;
    std::vector<WString> listed;
  } cases[] = {
      {std::vector<WString>{u"/p/e.csv", u"/p/a.dat", u"/p/D.gep", u"/p/b.CSV", u"/p/c.txt",
                            u"/p/f.csvx", u"/p/g.tx", u"/p/hgep", u"/p/i.csv ", u"/p/j.GEP", u"txt",
                            u"", u".txt", u"/p/k.osm.pbf", u"/p/l.GPX"},
       {u".txt", u"/p/c.txt", u"/p/D.gep", u"/p/e.csv", u"/p/k.osm.pbf"}},
      {std::vector<WString>{u"/p/a.dat", u"/p/B.CSV", u"/p/c.TXT"}, {}},
      {std::nullopt, {u"/old/a.csv"}}};
  for (const auto& c : cases) {
    CFakeControls fake;
    CTAVIConvertorDlg dialog(fake);
    fake.AddFileLine(u"/old/a.csv");
    fake.picked = c.picked;
    dialog.OnBrowseFiles();
    EXPECT_THAT(fake.picker,
                ElementsAre(u"Select files to import", u"All files (*)", u"GEP (*.gep)",
                            u"TXT (*.txt)", u"CSV (*.csv)",
                            u"Geodata (*.gpx *.kml *.kmz *.geojson *.json *.gpkg *.shp *.fgb "
                            u"*.osm *.pbf)"));
    EXPECT_EQ(fake.fileLines, c.listed);
    dialog.OnConvert();
    EXPECT_EQ(fake.messages,
              c.listed.empty() ? std::vector<WString>{kNothingToDo} : std::vector<WString>{});
    EXPECT_EQ(fake.startedHost ? WalkListAsWorker(fake) : std::vector<WString>{}, c.listed);
  }
}

// Hand-worked: with 3 files the step is the float nearest 100/3, 8738133 * 2^-18 = 33.33333206.
// Two steps are 66.66666412; three steps are 26214399 * 2^-18, exactly halfway between the floats
// 99.9999924 and 100, and round to the even one, 100.
TEST_F(ConvertorDialogTest, BarOfTheThreeFileExample) {
  for (const char16_t* path : {u"/d/a.csv", u"/d/b.csv", u"/d/c.csv"}) controls.AddFileLine(path);
  const std::int32_t cases[][2] = {{0, 0}, {0, 50}, {0, 100}, {1, 0}, {2, 0}, {2, 50}, {2, 100}};
  for (const auto& [filesDone, percent] : cases) {
    dlg.m_nFilesDone = filesDone;
    dlg.OnWndMsg(WM_CONVERTOR_PROGRESS, static_cast<std::uintptr_t>(percent), 0);
  }
  EXPECT_THAT(controls.positions, ElementsAre(0, 16, 33, 33, 66, 83, 100));
}

TEST_F(ConvertorDialogTest, LogLinesAreTakenFromTheSlotInOrderAndScrolledTo) {
  dlg.OnInitDialog();
  dlg.OnWndMsg(WM_CONVERTOR_LOG, 1, 0);  // an empty slot adds nothing
  dlg.OnWndMsg(WM_USER + 1, 50, 0);      // nor does another message
  EXPECT_EQ(controls.logTopIndex, -1);
  EXPECT_THAT(controls.positions, IsEmpty());
  PostLogLine(u"first - /d/a.csv");
  dlg.OnWndMsg(WM_CONVERTOR_LOG, 1, 0);
  PostLogLine(u"second - /d/a.tavi");
  dlg.OnWndMsg(WM_CONVERTOR_LOG, 1, 0);
  EXPECT_THAT(controls.logLines, ElementsAre(u"first - /d/a.csv", u"second - /d/a.tavi"));
  EXPECT_EQ(controls.logTopIndex, 1);
  EXPECT_EQ(controls.posted, 2);
}

// The start-up scan, run in a temp working folder.
TEST_F(ConvertorDialogTest, InitListsTheInputFilesOfTheWorkingFolderSorted) {
  const test::TempFolder folder;
  for (const char* name : {"c.txt", "b.csv", "A.gep", "d.doc", "E.CSV", "f.csvx"}) {
    std::ofstream(folder.Path() / name).put('x');
  }
  std::filesystem::create_directory(folder.Path() / "archive.txt");
  std::filesystem::create_directories(folder.Path() / "sub" / "inner.csv");
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  dlg.OnInitDialog();
  const WString base = GetWorkingFolder() + kPathSeparator;
  std::filesystem::current_path(saved);
  EXPECT_EQ(controls.range, std::make_pair(0, 100));
  EXPECT_EQ(g_hMainWnd.load(), &controls);
  EXPECT_THAT(controls.fileLines, ElementsAre(base + u"A.gep", base + u"archive.txt",
                                              base + u"b.csv", base + u"c.txt"));
}

TEST_F(ConvertorDialogTest, ClosedDialogNoLongerReceivesMessages) {
  {
    CTAVIConvertorDlg shortLived(controls);
    shortLived.OnInitDialog();
    EXPECT_EQ(g_hMainWnd.load(), &controls);
  }
  EXPECT_EQ(g_hMainWnd.load(), nullptr);
}

// The real worker thread, with a procedure that holds the run open until the test lets it go.
TEST(WorkerThreadTest, OneWorkerAtATimeRunningUntilItsProcedureReturns) {
  std::promise<void> release;
  const std::shared_future<void> released = release.get_future().share();
  std::atomic<int> runs{0};
  std::atomic<IConversionHost*> seenHost{nullptr};
  CFakeControls controls;
  CTAVIConvertorDlg host(controls);
  CWorkerThread worker([&](IConversionHost* given) -> std::uint32_t {
    seenHost = given;
    ++runs;
    released.wait();
    return 0;
  });
  EXPECT_FALSE(worker.IsRunning());
  ASSERT_TRUE(worker.Start(host));
  EXPECT_TRUE(worker.IsRunning());
  EXPECT_FALSE(worker.Start(host));
  release.set_value();
  while (worker.IsRunning()) std::this_thread::yield();
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(seenHost.load(), &host);
  ASSERT_TRUE(worker.Start(host));
  while (worker.IsRunning()) std::this_thread::yield();
  EXPECT_EQ(runs.load(), 2);
}

}  // namespace
}  // namespace tavi
