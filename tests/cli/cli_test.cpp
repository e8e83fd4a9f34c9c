#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "app/output_step.h"
#include "cli/console_report.h"
#include "cli/convert_command.h"
#include "cli/dump_command.h"
#include "cli/map_command.h"
#include "cli/svg_map.h"
#include "platform/path.h"
#include "support/test_support.h"

// What the command line does end to end is in the cases of cli/data; these are the parts that a
// case cannot show: the progress bar, drawn on a terminal only, Ctrl-C at a known moment, the dump
// and the picture of every prefix of a file, and the limits of a picture.
namespace tavi::cli {
namespace {

TEST(ConsoleReport, BarOnlyMovesForwardAndGivesWayToEveryLine) {
  std::ostringstream out, err;
  CConsoleReport report(out, err, true, true);
  report.Progress(50);
  report.Progress(50);
  report.Progress(33);
  report.LogLines(std::vector<WString>{u"\r\n"});
  report.Box(u"ERROR : Save String: char size > MAX_BYTES");
  report.Finish();
  const std::string bar = "\r\033[K[" + std::string(20, '#') + std::string(20, ' ') + "] 50%";
  const std::string erase = "\r\033[K";
  EXPECT_EQ(err.str(), bar + erase + bar + erase + "ERROR : Save String: char size > MAX_BYTES\n" +
                           bar + erase);
  EXPECT_EQ(out.str(), "\n");
}

// On a terminal the bar is drawn while the files are converted and removed at the end.
TEST(ConsoleReport, BarOfARunIsRemovedAtTheEnd) {
  test::TempFolder folder;
  folder.Write("a.csv", "1;2;A\n");
  std::ostringstream out, err;
  EXPECT_EQ(RunConvert({{(folder.Path() / "a.csv").string()}, "", false}, out, err, true), 0);
  EXPECT_NE(err.str().find("] 100%"), std::string::npos);
  EXPECT_TRUE(err.str().ends_with("] 100%\r\033[K"));
  EXPECT_TRUE(out.str().ends_with("Done!\n"));
}

// Standard output that presses Ctrl-C as its first line is printed.
struct CCtrlCOnFirstLine : std::stringbuf {
  int sync() override {
    if (!pressed) std::raise(SIGINT);
    pressed = true;
    return 0;
  }
  bool pressed = false;
};

// The worker is then at most handing over "Saving tavi file" (which may be printed or not): a.csv
// (100 POIs, several blocks) ends at its next step with nothing written, b.csv is not started. The
// next run is not stopped.
TEST(Convert, CtrlCStopsTheCurrentFileAndExitsWith130) {
  test::TempFolder folder;
  std::string many;
  for (int i = 0; i < 100; ++i)
    many += std::to_string(i % 10) + ";" + std::to_string(i / 10) + ";P\n";
  const std::string a = (folder.Path() / "a.csv").string(), b = (folder.Path() / "b.csv").string();
  folder.Write("a.csv", many);
  folder.Write("b.csv", "1;2;B\n");
  CCtrlCOnFirstLine buffer;
  std::ostream out(&buffer);
  std::ostringstream err;
  EXPECT_EQ(RunConvert({{a, b}, "", false}, out, err, false), 130);
  std::string printed = buffer.str();
  const std::string saving = "Saving tavi file - " + (folder.Path() / "a.tavi").string() + "\n";
  if (const auto at = printed.find(saving); at != std::string::npos)
    printed.erase(at, saving.size());
  EXPECT_EQ(printed, "\nImporting csv - " + a + "\nStopped - " + a + "\nDone!\n");
  EXPECT_EQ(err.str(), "tavi: 0 files converted, 0 failed; 0 POIs written; 0 lines left out\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
  EXPECT_EQ(RunConvert({{a, b}, "", true}, out, err, false), 0);
}

// A dump of any prefix of a file prints what could be read and tells of the damage; JSON stays
// well-formed. Shorter than its "IVAT" mark, the file is refused before anything is printed.
TEST(Dump, EveryCutIsReportedAndTheRestPrinted) {
  const test::Bytes whole = test::ReadHexFile("tests/cli/data/layout/expect/Shops.tavi.hex");
  test::TempFolder folder;
  const std::string path = (folder.Path() / "cut.tavi").string();
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    test::WriteBytes(path, test::Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
    for (const bool json : {false, true}) {
      std::ostringstream out, err;
      EXPECT_EQ(RunDump({path, json}, out, err), cut == whole.size() ? 0 : 1) << cut;
      EXPECT_EQ(err.str().empty(), cut == whole.size()) << cut;
      EXPECT_TRUE(cut < 4 ? out.str().empty() : !json || out.str().ends_with("}\n")) << cut;
    }
  }
}

// A legal index may be as deep as its file allows: 20,000 levels are dumped without a call per
// level, and the output stays within a small multiple of the file.
TEST(Dump, DeepIndexOnASmallStack) {
  test::CBytes bytes = test::CBytes().TaviHeader(0, 1, "");
  for (std::uint32_t list = 1; list <= 20000; ++list)
    bytes.List(1).Node({0, 1, 1, 0}, list < 20000 ? 18 + 24 * list : (18 + 24 * list) | 1u << 31);
  test::TempFolder folder;
  const std::string path = (folder.Path() / "deep.tavi").string();
  test::WriteBytes(path, bytes.U32(0).Get());
  for (const bool json : {false, true}) {
    std::ostringstream out, err;
    int code = -1;
    test::RunOnSmallStack([&] { code = RunDump({path, json}, out, err); });
    EXPECT_EQ(code, 0);
    EXPECT_LT(out.str().size(), 12 * bytes.Size());
  }
}

// A picture of any prefix of a file is drawn as far as the file could be read, and fails.
TEST(Map, EveryCutIsDrawnAsFarAsItGoesAndFails) {
  const test::Bytes whole = test::ReadHexFile("tests/cli/data/layout/expect/Shops.tavi.hex");
  test::TempFolder folder;
  const std::string path = (folder.Path() / "cut.tavi").string();
  for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
    test::WriteBytes(path, test::Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
    std::ostringstream err;
    EXPECT_EQ(RunMap({path, (folder.Path() / "cut.svg").string(), 100}, err),
              cut == whole.size() ? 0 : 1)
        << cut;
  }
}

// The limits keep the picture of a million POIs small: an even sample of the dots and the first
// rectangles are drawn, and the legend says so.
TEST(Map, LimitsThinTheDotsAndTheRectangles) {
  test::TempFolder folder;
  ElementArray grid;
  for (std::int32_t i = 0; i < 400; ++i) {
    grid.push_back(std::make_unique<CTaviElement>());
    grid.back()->SetName(u"p");
    grid.back()->SetPosition({i % 20 * 50000, i / 20 * 50000});
  }
  {
    const test::CRecordingWindow window;
    SFileResult result;
    COutputStep().SaveTaviFile({0, 950000, 950000, 0}, FromNativePath(folder.Path()),
                               std::move(grid), u"grid", result);
  }
  CTaviContents contents;
  ASSERT_EQ(contents.Open(folder.File("grid.tavi")), CTaviContents::EOpenResult::kOpened);
  int rectangles = 0;
  contents.VisitNodes([&rectangles](const SRectNode&, int) { ++rectangles; });
  std::ostringstream out;
  WriteSvgMap(contents, "grid.tavi", 100, out, {10, 3});
  const auto count = [svg = out.str()](const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = svg.find(part); at != std::string::npos; at = svg.find(part, at + 1))
      ++found;
    return found;
  };
  EXPECT_EQ(count("h0"), 10u);
  EXPECT_EQ(count("<rect class="), 3u);
  EXPECT_EQ(count(">10 of 400 POIs drawn (an even sample); the first 3 of " +
                  std::to_string(rectangles) + " rectangles drawn<"),
            1u);
}

}  // namespace
}  // namespace tavi::cli
