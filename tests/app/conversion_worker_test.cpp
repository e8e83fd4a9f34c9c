#include "app/conversion_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "app/output_step.h"
#include "app/overall_progress.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"
#include "platform/message_box.h"
#include "platform/path.h"
#include "support/test_support.h"
#include "writer/tavi_file.h"

namespace tavi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A front end whose file list is a plain vector; it may grow while the run goes on.
class CListHost : public IConversionHost {
 public:
  explicit CListHost(std::vector<WString> files) : m_files(std::move(files)) {}
  int GetFileCount() override { return static_cast<int>(m_files.size()); }
  WString GetFileText(int index) override {
    if (onRead) onRead(index);
    return m_files.at(static_cast<std::size_t>(index));
  }
  void Add(const WString& path) { m_files.push_back(path); }

  std::function<void(int)> onRead;

 private:
  std::vector<WString> m_files;
};

// Stands in for the window: takes each line as it is posted, computes the bar as the window does,
// and records message boxes.
class CWindow : public IMessageTarget {
 public:
  explicit CWindow(IConversionHost& host) : m_host(host) {
    g_nLastPercent = -1;
    g_hMainWnd.store(this);
    m_previousHandler =
        SetMessageBoxHandler([this](const WString& text) { boxes.push_back(text); });
  }
  ~CWindow() override {
    SetMessageBoxHandler(std::move(m_previousHandler));
    g_hMainWnd.store(nullptr);
  }
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;

  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) override {
    if (message == WM_CONVERTOR_LOG) {
      WString line;
      if (TakeLogLine(line)) lines.push_back(line);
    } else if (message == WM_CONVERTOR_PROGRESS) {
      bar.push_back(ComputeOverallProgress(m_host.GetFileCount(), m_host.m_nFilesDone,
                                           static_cast<std::int32_t>(wParam)));
    }
  }

  std::vector<WString> lines;
  std::vector<int> bar;
  std::vector<WString> boxes;

 private:
  IConversionHost& m_host;
  MessageBoxHandler m_previousHandler;
};

class ConversionWorkerTest : public ::testing::Test {
 protected:
  WString Write(const std::string& name, const std::string& text) {
    test::WriteBytes(m_folder.Path() / name, std::vector<std::uint8_t>(text.begin(), text.end()));
    return PathOf(name);
  }
  WString PathOf(const std::string& name) const { return m_folder.File(name); }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(m_folder.Path() / name);
  }
  // Number of elements in a written file, from its header.
  std::int32_t StoredElements(const std::string& name) const {
    CTaviFile file;
    EXPECT_TRUE(file.Open(PathOf(name), false));
    return file.GetHeader().nextId - 1;
  }

  test::TempFolder m_folder;
};

TEST_F(ConversionWorkerTest, WithoutAHostTheRunEndsAtOnce) {
  CListHost host({});
  CWindow window(host);
  EXPECT_EQ(ConversionThreadProc(nullptr), 1u);
  EXPECT_THAT(window.lines, IsEmpty());
  EXPECT_THAT(window.boxes, IsEmpty());
}

TEST_F(ConversionWorkerTest, AGoodFileLogsItsFourLinesThenDone) {
  const WString input = Write("shops.csv", "13.5;52.25;Shop\n");
  CListHost host({input});
  CWindow window(host);
  EXPECT_EQ(ConversionThreadProc(&host), 0u);
  const WString output = PathOf("shops.tavi");
  EXPECT_THAT(window.lines,
              ElementsAre(u"\r\n", u"Importing csv - " + input, u"Saving tavi file - " + output,
                          u"Successfully imported 1 pois - " + output));
  EXPECT_THAT(window.boxes, ElementsAre(u"Done!"));
  EXPECT_EQ(host.m_nFilesDone, 1);
  EXPECT_EQ(StoredElements("shops.tavi"), 1);
}

TEST_F(ConversionWorkerTest, AGepFileGoesToTheGepImporter) {
  // A file too short for its header: the GEP importer's own failure line proves the dispatch.
  const WString input = Write("short.gep", "");
  CListHost host({input});
  CWindow window(host);
  ConversionThreadProc(&host);
  EXPECT_THAT(window.lines,
              ElementsAre(u"\r\n", u"Importing gep - " + input, u"Failed to open - " + input));
}

TEST_F(ConversionWorkerTest, OtherEndingsAreCountedWithoutAWord) {
  const WString upper = Write("UPPER.CSV", "1;2;Upper\n");
  CListHost host({upper, u"gep", u"/nowhere/a.Txt"});
  CWindow window(host);
  EXPECT_EQ(ConversionThreadProc(&host), 0u);
  EXPECT_THAT(window.lines, IsEmpty());
  EXPECT_THAT(window.bar, IsEmpty());
  EXPECT_EQ(host.m_nFilesDone, 3);
  EXPECT_THAT(window.boxes, ElementsAre(u"Done!"));
  EXPECT_FALSE(Exists("UPPER.tavi"));
}

TEST_F(ConversionWorkerTest, AMissingFileFailsAndTheRunGoesOn) {
  const WString missing = PathOf("missing.csv");
  const WString good = Write("good.txt", "1;2;Good\n");
  CListHost host({missing, good});
  CWindow window(host);
  ConversionThreadProc(&host);
  ASSERT_GE(window.lines.size(), 4u);
  EXPECT_EQ(window.lines[2], u"Failed to open - " + missing);
  EXPECT_EQ(window.lines.back(), u"Successfully imported 1 pois - " + PathOf("good.tavi"));
  EXPECT_EQ(host.m_nFilesDone, 2);
}

TEST_F(ConversionWorkerTest, ACsvAndATxtOfOneTitleWriteOneFileTheLaterWins) {
  const WString csv = Write("pois.csv", "1;2;One\n");
  const WString txt = Write("pois.txt", "1;2;One\n3;4;Two\n");
  CListHost host({csv, txt});
  CWindow window(host);
  ConversionThreadProc(&host);
  const WString output = PathOf("pois.tavi");
  EXPECT_THAT(
      window.lines,
      ElementsAre(u"\r\n", u"Importing csv - " + csv, u"Saving tavi file - " + output,
                  u"Successfully imported 1 pois - " + output, u"\r\n", u"Importing csv - " + txt,
                  u"Saving tavi file - " + output, u"Successfully imported 2 pois - " + output));
  EXPECT_EQ(StoredElements("pois.tavi"), 2);
}

TEST_F(ConversionWorkerTest, AnOutputThatCannotBeCreatedIsLoggedAndTheRunGoesOn) {
  const WString blocked = Write("blocked.csv", "1;2;One\n");
  std::filesystem::create_directory(m_folder.Path() / "blocked.tavi");
  const WString good = Write("good.csv", "1;2;One\n");
  CListHost host({blocked, good});
  CWindow window(host);
  ConversionThreadProc(&host);
  ASSERT_GE(window.lines.size(), 3u);
  EXPECT_EQ(window.lines[2], u"Failed to create TAVI file - " + PathOf("blocked.tavi"));
  EXPECT_EQ(window.lines[3], u"\r\n");
  EXPECT_EQ(StoredElements("good.tavi"), 1);
}

// Real writes fail past a size limit while the limit is in place; the signal that would end the
// process is ignored meanwhile.
class CFileSizeLimit {
 public:
  explicit CFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &m_previous);
    m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_previous;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~CFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_previousHandler);
  }
  CFileSizeLimit(const CFileSizeLimit&) = delete;
  CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

 private:
  rlimit m_previous{};
  void (*m_previousHandler)(int) = SIG_DFL;
};

TEST_F(ConversionWorkerTest, AWriteErrorIsLoggedThePartialFileRemovedAndTheRunGoesOn) {
  std::string many;
  for (int i = 0; i < 200; ++i) many += std::to_string(i % 50) + ";1;A place with a name\n";
  const WString big = Write("big.csv", many);
  const WString small = Write("small.csv", "1;2;One\n");
  CListHost host({big, small});
  CWindow window(host);
  {
    // The empty container fits; the full file of 200 records does not.
    const CFileSizeLimit limit(2000);
    ConversionThreadProc(&host);
  }
  const WString output = PathOf("big.tavi");
  ASSERT_GE(window.lines.size(), 4u);
  EXPECT_EQ(window.lines[2], u"Saving tavi file - " + output);
  EXPECT_EQ(window.lines[3], u"Failed to write TAVI file - " + output);
  EXPECT_FALSE(Exists("big.tavi"));
  EXPECT_EQ(window.lines.back(), u"Successfully imported 1 pois - " + PathOf("small.tavi"));
  EXPECT_EQ(host.m_nFilesDone, 2);
  EXPECT_THAT(window.boxes, ElementsAre(u"Done!"));
}

TEST_F(ConversionWorkerTest, TheBarMovesAcrossThreeFiles) {
  CListHost host({Write("a.csv", "1;2;A\n"), Write("b.csv", "1;2;B\n"), Write("c.csv", "1;2;C\n")});
  CWindow window(host);
  ConversionThreadProc(&host);
  ASSERT_FALSE(window.bar.empty());
  EXPECT_TRUE(std::is_sorted(window.bar.begin(), window.bar.end()));
  EXPECT_EQ(window.bar.front(), 0);
  EXPECT_EQ(window.bar.back(), 100);
  // Each file ends on its band's upper edge, and the next one starts there.
  for (const int edge : {33, 66}) {
    EXPECT_EQ(std::count(window.bar.begin(), window.bar.end(), edge), 2) << edge;
  }
}

TEST_F(ConversionWorkerTest, TheCountIsAskedAnewBeforeEveryFile) {
  const WString second = Write("second.csv", "1;2;Two\n");
  CListHost host({Write("first.csv", "1;2;One\n")});
  host.onRead = [&host, &second](int index) {
    if (index == 0) host.Add(second);
  };
  CWindow window(host);
  ConversionThreadProc(&host);
  EXPECT_EQ(host.m_nFilesDone, 2);
  EXPECT_TRUE(Exists("second.tavi"));
}

TEST_F(ConversionWorkerTest, AnEmptyListShowsNoDone) {
  CListHost host({});
  CWindow window(host);
  EXPECT_EQ(ConversionThreadProc(&host), 0u);
  EXPECT_THAT(window.boxes, IsEmpty());
}

TEST_F(ConversionWorkerTest, OutputStepNamesTheFileFromFolderAndTitle) {
  CListHost host({});
  CWindow window(host);
  ElementArray elements;
  elements.push_back(std::make_unique<CTaviElement>());
  elements.back()->SetName(u"Dot");
  elements.back()->SetPosition({100, 200});
  const BoundingRect bounds{100, 200, 100, 200};
  EXPECT_EQ(SaveTaviFile(bounds, FromNativePath(m_folder.Path()), std::move(elements), u""), 1);
  EXPECT_TRUE(elements.empty());
  EXPECT_THAT(window.lines, ElementsAre(u"Saving tavi file - " + PathOf(".tavi"),
                                        u"Successfully imported 1 pois - " + PathOf(".tavi")));
}

TEST_F(ConversionWorkerTest, OutputStepTakesTheElementsAlsoWhenCreateFails) {
  CListHost host({});
  CWindow window(host);
  ElementArray elements;
  elements.push_back(std::make_unique<CTaviElement>());
  const WString folder = PathOf("missing-folder");
  EXPECT_EQ(SaveTaviFile(BoundingRect{}, folder, std::move(elements), u"x"), -1);
  EXPECT_TRUE(elements.empty());
  EXPECT_THAT(window.lines, ElementsAre(u"Failed to create TAVI file - " + folder + u"/x.tavi"));
}

}  // namespace
}  // namespace tavi
