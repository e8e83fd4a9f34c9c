#include <gtest/gtest.h>

#include <sstream>

#include "cli/console_report.h"
#include "cli/convert_command.h"
#include "cli/dump_command.h"
#include "platform/path.h"
#include "support/test_support.h"

// What the command line does end to end is in the cases of cli/data; these are the parts that a
// case cannot show: the progress bar, drawn on a terminal only, and the dump of every prefix of
// a file.
namespace tavi::cli {
namespace {

TEST(ConsoleReport, BarOnlyMovesForwardAndGivesWayToEveryLine) {
  std::ostringstream out, err;
  CConsoleReport report(out, err, true, true);
  report.Progress(50);
  report.Progress(50);
  report.Progress(33);
  report.LogLine(u"\r\n");
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

}  // namespace
}  // namespace tavi::cli
