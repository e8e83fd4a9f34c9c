#include "app/convertor_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/conversion_worker.h"
#include "app/file_list_order.h"
#include "app/input_selection.h"
#include "platform/convertor_messages.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Paths = std::vector<WString>;

constexpr char16_t kAlreadyRunning[] = u"Conversion is already running!";
constexpr char16_t kNothingToDo[] =
    u"Nothing to do, click on Browse button and select files to convert";
constexpr char16_t kClosed[] = u"(boxes closed)";

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
  void CloseMessages() override { messages.emplace_back(kClosed); }
  void SetConvertText(const WString& text) override { convertText = text; }
  std::optional<Paths> PickFiles(const WString& title, const Paths& filters) override {
    picker.push_back(title);
    picker.insert(picker.end(), filters.begin(), filters.end());
    return picked;
  }
  bool StartWorker(IConversionHost& host) override {
    startedHost = threadsAvailable ? &host : nullptr;
    return running = threadsAvailable;
  }
  bool IsWorkerRunning() const override { return running; }
  IMessageTarget& GetMessageTarget() override { return *this; }
  void EndDialog() override { ++endDialogCalls; }
  void Post(std::uint32_t, std::uintptr_t, std::intptr_t) override { ++posted; }

  Paths fileLines, logLines, messages, picker;  // picker: title, then filters
  std::vector<int> positions;
  std::pair<int, int> range{-1, -1};
  std::optional<Paths> picked;
  WString convertText;
  IConversionHost* startedHost = nullptr;
  int logTopIndex = -1, endDialogCalls = 0, posted = 0;
  bool threadsAvailable = true, running = false;
};

// The worker's side of a run: walks the list as the real worker does.
Paths WalkListAsWorker(IConversionHost& host) {
  Paths seen;
  for (int i = 0; i < host.GetFileCount(); ++i, ++host.m_nFilesDone) {
    seen.push_back(host.GetFileText(i));
  }
  return seen;
}

// '@' in a path stands for the folder and a separator.
WString At(const test::TempFolder& folder, const WString& text) {
  WString result(text);
  const auto at = result.find(u'@');
  return at == WString::npos ? result : result.replace(at, 1, folder.File(""));
}

class ConvertorDialogTest : public ::testing::Test {
 protected:
  CFakeControls controls;
  CTAVIConvertorDlg dlg{controls};
};

// Each button, and a drop, while a run is under way (the list, the counter and the worker are left
// alone), and while idle with an empty list.
TEST_F(ConvertorDialogTest, Guards) {
  const std::function<void(CTAVIConvertorDlg&)> convert = &CTAVIConvertorDlg::OnConvert,
                                                exit = &CTAVIConvertorDlg::OnExit;
  const struct {
    bool running;
    std::function<void(CTAVIConvertorDlg&)> press;
    const char16_t* message;
    bool stopAsked;
  } cases[] = {
      {false, convert, kNothingToDo, false},
      {true, convert, nullptr, true},  // the button reads "Stop" then
      {true, &CTAVIConvertorDlg::OnBrowseFiles, kAlreadyRunning, false},
      {true, [](CTAVIConvertorDlg& d) { d.OnDropFiles({u"/e/y.csv"}); }, kAlreadyRunning, false},
      {true, exit, u"Please wait until conversion ends", false},
      {false, exit, nullptr, false}};
  for (const auto& c : cases) {
    CFakeControls fake;
    CTAVIConvertorDlg dialog(fake);
    ClearStopRequest();
    if (c.running) fake.AddFileLine(u"/d/a.csv");
    if (c.running) dialog.OnConvert();
    fake.picked = Paths{u"/e/x.csv"};
    dialog.m_nFilesDone = 2;
    c.press(dialog);
    EXPECT_EQ(fake.messages, c.message ? Paths{c.message} : Paths{});
    EXPECT_EQ(fake.endDialogCalls, !c.running && c.message == nullptr ? 1 : 0);
    EXPECT_EQ(IsStopRequested(), c.stopAsked);
    EXPECT_EQ(dialog.m_nFilesDone.load(), 2);
    EXPECT_EQ(fake.fileLines, c.running ? Paths{u"/d/a.csv"} : Paths{});
  }
  ClearStopRequest();
}

// A worker that cannot start leaves the dialog idle without a word. While a run is under way the
// button reads "Stop"; once the worker has returned it starts runs again, counting from 0. "Done!"
// sums up the results of its own run only.
TEST_F(ConvertorDialogTest, EachRunStartsOneWorkerOnTheSortedList) {
  controls.AddFileLine(u"/d/b.csv");
  controls.AddFileLine(u"/d/A.gep");
  controls.threadsAvailable = false;
  dlg.OnConvert();
  EXPECT_FALSE(dlg.IsConversionRunning());
  controls.threadsAvailable = true;
  SFileResult converted;
  converted.output = u"/d/b.tavi";
  converted.poisWritten = 1;
  for (int run = 0; run < 2; ++run) {
    dlg.m_nFilesDone = 7;
    dlg.OnConvert();
    EXPECT_EQ(controls.convertText, u"Stop");
    EXPECT_EQ(dlg.m_nFilesDone.load(), 0);
    EXPECT_THAT(WalkListAsWorker(*controls.startedHost), ElementsAre(u"/d/A.gep", u"/d/b.csv"));
    dlg.RecordResult(converted);
    dlg.ShowWorkerMessage(kDoneText);
    controls.running = false;  // "Done!" was closed and the worker returned
    dlg.OnRunEnded();
    EXPECT_EQ(controls.convertText, u"Convert to TAVI");
  }
  const WString done = u"Done!\n1 file converted, 0 failed; 1 POI written; 0 lines left out";
  EXPECT_THAT(controls.messages, ElementsAre(kClosed, done, kClosed, done));
}

// A cancelled pick keeps the list; a confirmed one replaces it with its input files, sorted.
TEST_F(ConvertorDialogTest, PickedFiles) {
  controls.AddFileLine(u"/old/a.csv");
  dlg.OnBrowseFiles();
  EXPECT_THAT(controls.fileLines, ElementsAre(u"/old/a.csv"));
  EXPECT_THAT(controls.picker, ElementsAre(u"Select files to import", u"All files (*)",
                                           u"GEP (*.gep)", u"TXT (*.txt)", u"CSV (*.csv)"));
  controls.picked = Paths{u"/p/e.csv", u"/p/a.dat", u"/p/D.gep"};
  dlg.OnBrowseFiles();
  EXPECT_THAT(controls.fileLines, ElementsAre(u"/p/D.gep", u"/p/e.csv"));
}

// "Done!" closes the guards' boxes still open about the run before it opens; other boxes of the
// worker leave them alone. Its summary counts what the worker recorded.
TEST_F(ConvertorDialogTest, DoneClosesTheBoxesLeftOpenFirst) {
  SFileResult failed;
  failed.failed = true;
  failed.linesLeftOut = 2;
  dlg.RecordResult(failed);
  dlg.ShowWorkerMessage(u"ERROR : Save String: Invalid archive mode!");
  dlg.ShowWorkerMessage(kDoneText);
  EXPECT_THAT(controls.messages,
              ElementsAre(u"ERROR : Save String: Invalid archive mode!", kClosed,
                          u"Done!\n0 files converted, 1 failed; 0 POIs written; 2 lines left out"));
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
  for (const char16_t* line : {u"first - /d/a.csv", u"second - /d/a.tavi"}) {
    PostLogLine(line);
    dlg.OnWndMsg(WM_CONVERTOR_LOG, 1, 0);
  }
  EXPECT_THAT(controls.logLines, ElementsAre(u"first - /d/a.csv", u"second - /d/a.tavi"));
  EXPECT_EQ(controls.logTopIndex, 1);
  EXPECT_EQ(controls.posted, 2);
}

// The window is the worker's target from init until the dialog goes away.
TEST_F(ConvertorDialogTest, ClosedDialogNoLongerReceivesMessages) {
  {
    CTAVIConvertorDlg shortLived(controls);
    shortLived.OnInitDialog();
    EXPECT_EQ(g_hMainWnd.load(), &controls);
    EXPECT_EQ(controls.range, std::make_pair(0, 100));
  }
  EXPECT_EQ(g_hMainWnd.load(), nullptr);
}

// Arguments are taken against the working folder; a folder stands for its input files; without
// arguments the working folder is scanned unless it is the root or the home folder.
TEST(StartFilesTest, ArgumentsOrTheWorkingFolderUnlessStartedFromAMenu) {
  const test::TempFolder folder;
  for (const char* name : {"a.csv", "b.CSV", "c.doc", "sub/d.txt", "sub/e.gep"}) {
    std::filesystem::create_directories((folder.Path() / name).parent_path());
    std::ofstream(folder.Path() / name).put('x');
  }
  const WString working = FromNativePath(folder.Path());
  const struct {
    Paths arguments;
    WString working, home;
    std::vector<const char16_t*> found;
  } cases[] = {{{}, working, u"/nowhere", {u"@a.csv"}},
               {{}, working, working + u"/", {}},
               {{}, u"/", u"", {}},
               {{}, u"", u"", {}},
               {{u"a.csv", u"c.doc", u"./sub/", u"missing.gep", u""},
                working,
                working,
                {u"@a.csv", u"@sub/e.gep", u"@sub/d.txt", u"@missing.gep"}},
               {{At(folder, u"@sub")}, u"/", u"/", {u"@sub/e.gep", u"@sub/d.txt"}}};
  for (const auto& c : cases) {
    Paths expected;
    for (const char16_t* path : c.found) expected.push_back(At(folder, path));
    EXPECT_EQ(FindStartFiles(c.arguments, c.working, c.home), expected);
  }
}

}  // namespace
}  // namespace tavi
