#include "app/conversion_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/output_step.h"
#include "app/overall_progress.h"
#include "platform/convertor_messages.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "support/test_support.h"
#include "writer/tavi_file.h"

namespace tavi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A front end whose file list may grow while the run goes on, in a temp folder, and a stand-in for
// its window: takes the posted lines, computes the bar as the window does, records message boxes.
class CRun : public IConversionHost, public IMessageTarget {
 public:
  CRun() {
    g_nLastPercent = -1;
    g_hMainWnd.store(this);
    m_previousHandler =
        SetMessageBoxHandler([this](const WString& text) { boxes.push_back(text); });
  }
  ~CRun() override {
    SetMessageBoxHandler(std::move(m_previousHandler));
    g_hMainWnd.store(nullptr);
  }
  int GetFileCount() override { return static_cast<int>(files.size()); }
  WString GetFileText(int index) override {
    if (onRead) onRead(index);
    return files.at(static_cast<std::size_t>(index));
  }
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) override {
    WString line;
    if (message == WM_CONVERTOR_LOG && TakeLogLine(line)) lines.push_back(line);
    if (message == WM_CONVERTOR_PROGRESS) {
      bar.push_back(
          ComputeOverallProgress(GetFileCount(), m_nFilesDone, static_cast<std::int32_t>(wParam)));
    }
  }

  // '@' stands for the folder and a separator.
  WString At(const char16_t* text) const {
    WString result(text);
    const auto at = result.find(u'@');
    return at == WString::npos ? result : result.replace(at, 1, folder.File(""));
  }
  void Write(const char* name, const std::string& text) const {
    test::WriteBytes(folder.Path() / name, std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  // Elements in a written file, from its header; -1 when there is no such file.
  std::int32_t Stored(const char* name) const {
    if (!std::filesystem::exists(folder.Path() / name)) return -1;
    CTaviFile file;
    EXPECT_TRUE(file.Open(folder.File(name), false));
    return file.GetHeader().nextId - 1;
  }

  test::TempFolder folder;
  std::vector<WString> files, lines, boxes;
  std::vector<int> bar;
  std::function<void(int)> onRead;

 private:
  MessageBoxHandler m_previousHandler;
};

// One run over every kind of line, under a size limit that fails the writes of big.csv only: each
// failure is logged and the run goes on.
TEST(ConversionWorkerTest, LogsEachFileAndGoesOn) {
  CRun run;
  std::string many;
  for (int i = 0; i < 200; ++i) many += std::to_string(i % 50) + ";1;A place with a name\n";
  run.Write("big.csv", many);
  run.Write("short.gep", "");  // too short for its header: the GEP importer's own line
  std::filesystem::create_directory(run.folder.Path() / "blocked.tavi");
  for (const char* name : {"blocked.csv", "UPPER.CSV", "pois.csv", "shops.csv"}) {
    run.Write(name, "13.5;52.25;Shop\n");
  }
  run.Write("pois.txt", "1;2;One\n3;4;Two\n");  // the same title as pois.csv: the later one wins
  for (const char16_t* path :
       {u"@missing.csv", u"@short.gep", u"@blocked.csv", u"@UPPER.CSV", u"gep", u"/x/a.Txt",
        u"@pois.csv", u"@pois.txt", u"@big.csv", u"@shops.csv"}) {
    run.files.push_back(run.At(path));
  }
  // Writes past 2000 bytes fail: the empty container fits, 200 records do not. The signal that
  // would end the process is ignored meanwhile.
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = 2000;
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_EQ(ConversionThreadProc(&run), 0u);
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
  std::vector<WString> lines;
  for (const char16_t* line : {u"\r\n",
                               u"Importing csv - @missing.csv",
                               u"Failed to open - @missing.csv",  //
                               u"\r\n",
                               u"Importing gep - @short.gep",
                               u"Failed to open - @short.gep",  //
                               u"\r\n",
                               u"Importing csv - @blocked.csv",
                               u"Failed to create TAVI file - @blocked.tavi",
                               u"\r\n",
                               u"Importing csv - @pois.csv",
                               u"Saving tavi file - @pois.tavi",
                               u"Successfully imported 1 pois - @pois.tavi",  //
                               u"\r\n",
                               u"Importing csv - @pois.txt",
                               u"Saving tavi file - @pois.tavi",
                               u"Successfully imported 2 pois - @pois.tavi",  //
                               u"\r\n",
                               u"Importing csv - @big.csv",
                               u"Saving tavi file - @big.tavi",
                               u"Failed to write TAVI file - @big.tavi",  //
                               u"\r\n",
                               u"Importing csv - @shops.csv",
                               u"Saving tavi file - @shops.tavi",
                               u"Successfully imported 1 pois - @shops.tavi"}) {
    lines.push_back(run.At(line));
  }
  EXPECT_EQ(run.lines, lines);
  EXPECT_THAT(run.boxes, ElementsAre(u"Done!"));
  EXPECT_EQ(run.m_nFilesDone, 10);
  for (const auto& [output, stored] : {std::pair{"short.tavi", -1},
                                       {"UPPER.tavi", -1},
                                       {"pois.tavi", 2},
                                       {"big.tavi", -1},
                                       {"shops.tavi", 1}}) {
    EXPECT_EQ(run.Stored(output), stored) << output;
  }
}

// The count is asked anew before every file: the third file joins while the first is read. Each
// file ends on its band's upper edge, and the next one starts there.
TEST(ConversionWorkerTest, TheBarMovesAcrossThreeFiles) {
  CRun run;
  for (const char* name : {"a.csv", "b.csv", "c.csv"}) run.Write(name, "1;2;A\n");
  run.files = {run.At(u"@a.csv"), run.At(u"@b.csv")};
  run.onRead = [&run](int index) {
    if (index == 0) run.files.push_back(run.At(u"@c.csv"));
  };
  ConversionThreadProc(&run);
  EXPECT_EQ(run.m_nFilesDone, 3);
  EXPECT_EQ(run.Stored("c.tavi"), 1);
  ASSERT_FALSE(run.bar.empty());
  EXPECT_TRUE(std::is_sorted(run.bar.begin(), run.bar.end()));
  EXPECT_EQ(run.bar.front(), 0);
  EXPECT_EQ(run.bar.back(), 100);
  for (const int edge : {33, 66}) {
    EXPECT_EQ(std::count(run.bar.begin(), run.bar.end(), edge), 2) << edge;
  }
}

// Other endings are counted without a word; "Done!" needs a run with files.
TEST(ConversionWorkerTest, NothingToConvert) {
  CRun run;
  EXPECT_EQ(ConversionThreadProc(nullptr), 1u);
  EXPECT_EQ(ConversionThreadProc(&run), 0u);
  EXPECT_THAT(run.boxes, IsEmpty());
  run.Write("UPPER.CSV", "1;2;Upper\n");
  run.files = {run.At(u"@UPPER.CSV"), u"gep", u"/x/a.Txt"};
  EXPECT_EQ(ConversionThreadProc(&run), 0u);
  EXPECT_THAT(run.lines, IsEmpty());
  EXPECT_THAT(run.bar, IsEmpty());
  EXPECT_THAT(run.boxes, ElementsAre(u"Done!"));
  EXPECT_EQ(run.m_nFilesDone, 3);
  EXPECT_EQ(run.Stored("UPPER.tavi"), -1);
}

// The elements belong to the output step from its start, also when the file cannot be created.
TEST(ConversionWorkerTest, OutputStepNamesTheFileFromFolderAndTitle) {
  CRun run;
  ElementArray elements;
  elements.push_back(std::make_unique<CTaviElement>());
  elements.back()->SetName(u"Dot");
  elements.back()->SetPosition({100, 200});
  const WString folder = FromNativePath(run.folder.Path());
  EXPECT_EQ(SaveTaviFile({100, 200, 100, 200}, folder, std::move(elements), u""), 1);
  EXPECT_TRUE(elements.empty());
  elements.push_back(std::make_unique<CTaviElement>());
  EXPECT_EQ(SaveTaviFile(BoundingRect{}, run.At(u"@none"), std::move(elements), u"x"), -1);
  EXPECT_TRUE(elements.empty());
  EXPECT_THAT(run.lines, ElementsAre(run.At(u"Saving tavi file - @.tavi"),
                                     run.At(u"Successfully imported 1 pois - @.tavi"),
                                     run.At(u"Failed to create TAVI file - @none/x.tavi")));
}

}  // namespace
}  // namespace tavi
