#include <gtest/gtest.h>

#include "app/conversion_worker.h"
#include "platform/convertor_messages.h"
#include "support/test_support.h"

namespace tavi {
namespace {

// A front end whose file list grows while the run goes on, and its window.
struct CRun : IConversionHost, test::CRecordingWindow {
  int GetFileCount() override { return static_cast<int>(files.size()); }
  WString GetFileText(int index) override {
    if (index == 0) files.push_back(folder.File("late.csv"));  // joins while the run goes on
    return files.at(static_cast<std::size_t>(index));
  }
  test::TempFolder folder;
  std::vector<WString> files;
};

// A file whose output cannot be written is logged with the reason, the output of an earlier run
// is kept as it was, nothing half-written is left, and the run goes on with the next file; the
// count of files is asked anew before every file.
TEST(ConversionWorker, AFailedFileDoesNotStopTheRun) {
  CRun run;
  std::string many;
  for (int i = 0; i < 200; ++i) many += std::to_string(i % 50) + ";1;A place with a name\n";
  run.folder.Write("late.csv", "1;2;L\n");
  run.files = {run.folder.Write("small.csv", "1;2;S\n"), run.folder.Write("big.csv", many),
               run.folder.Write("UPPER.CSV", "1;2;U\n")};  // an ending that is passed over
  run.folder.Write("big.tavi", "earlier output");
  {
    const test::CFileSizeLimit limit(2000);  // the empty container fits, 200 records do not
    EXPECT_EQ(ConversionThreadProc(&run), 0u);
  }
  const auto file = [&run](const char* name) { return run.folder.File(name); };
  EXPECT_EQ(run.lines,
            (std::vector<WString>{
                u"\r\n", u"Importing csv - " + file("small.csv"),
                u"Saving tavi file - " + file("small.tavi"),
                u"Successfully imported 1 pois - " + file("small.tavi"), u"\r\n",
                u"Importing csv - " + file("big.csv"), u"Saving tavi file - " + file("big.tavi"),
                u"Failed to write TAVI file - " + file("big.tavi") + u" (File too large)", u"\r\n",
                u"Importing csv - " + file("late.csv"), u"Saving tavi file - " + file("late.tavi"),
                u"Successfully imported 1 pois - " + file("late.tavi")}));
  EXPECT_EQ(run.m_nFilesDone, 4);
  const test::Bytes earlier = test::ReadBytes(run.folder.Path() / "big.tavi");
  EXPECT_EQ(std::string(earlier.begin(), earlier.end()), "earlier output");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(run.folder.Path()))
    ++files;
  EXPECT_EQ(files, 7u);  // four inputs, three outputs, no work file
  EXPECT_EQ(run.boxes, std::vector<WString>{kDoneText});
}

// A run over a.csv (100 POIs in several leaves, the output of an earlier run in place) and b.csv
// that asks for a stop once the posted progress first reaches stopAt.
struct CStoppingRun : IConversionHost, test::CRecordingWindow {
  explicit CStoppingRun(int at) : stopAt(at) {
    std::string many;
    for (int i = 0; i < 100; ++i)
      many += std::to_string(i % 10) + ";" + std::to_string(i / 10) + ";P\n";
    files = {folder.Write("a.csv", many), folder.Write("b.csv", "1;2;B\n")};
    folder.Write("a.tavi", "earlier output");
  }
  int GetFileCount() override { return 2; }
  WString GetFileText(int index) override { return files.at(static_cast<std::size_t>(index)); }
  void RecordResult(const SFileResult& result) override { stopped.push_back(result.stopped); }
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    CRecordingWindow::Post(message, wParam, lParam);
    if (message == WM_CONVERTOR_PROGRESS && static_cast<int>(wParam) >= stopAt) RequestStop();
  }
  test::TempFolder folder;
  std::vector<WString> files;
  std::vector<bool> stopped;
  int stopAt;
};

// A stop ends the file at its next step: the earlier output stays, nothing half-made is left and
// the rest of the list is not started. From 80 on the output is complete and the file finishes.
TEST(ConversionWorker, AStopEndsTheCurrentFileAtItsNextStep) {
  const struct {
    int stopAt;            // 30 inserting into the index, 51 writing blocks, 80 written
    std::size_t linesOfA;  // of the separator, Importing, Saving and Successfully imported
    const char* stopped;
  } cases[] = {{30, 2, "a.csv"}, {51, 3, "a.csv"}, {80, 4, "b.csv"}};
  for (const auto& c : cases) {
    CStoppingRun run(c.stopAt);
    const auto file = [&run](const char* name) { return run.folder.File(name); };
    std::vector<WString> expected = {u"\r\n", u"Importing csv - " + file("a.csv"),
                                     u"Saving tavi file - " + file("a.tavi"),
                                     u"Successfully imported 100 pois - " + file("a.tavi")};
    expected.resize(c.linesOfA);
    expected.push_back(u"Stopped - " + file(c.stopped));
    ClearStopRequest();  // as the front end does before a run
    EXPECT_EQ(ConversionThreadProc(&run), 0u);
    EXPECT_EQ(run.lines, expected) << c.stopAt;
    EXPECT_EQ(run.boxes, std::vector<WString>{kDoneText});
    const std::vector<bool> aStopped{true}, bStopped{false, true};  // RecordResult's stopped flags
    EXPECT_EQ(run.stopped, c.linesOfA < 4 ? aStopped : bStopped);
    EXPECT_EQ(test::ReadBytes(run.folder.Path() / "a.tavi").size() == 14, c.linesOfA < 4);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(run.folder.Path()))
      ++files;
    EXPECT_EQ(files, 3u);  // no work file
  }
  ClearStopRequest();
}

TEST(ConversionWorker, NothingToConvert) {
  EXPECT_EQ(ConversionThreadProc(nullptr), 1u);
  CRun run;
  EXPECT_EQ(ConversionThreadProc(&run), 0u);
  EXPECT_TRUE(run.boxes.empty());  // "Done!" closes a run with files only
}

}  // namespace
}  // namespace tavi
