#include "app/folder_scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "app/file_list_order.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using ::testing::ElementsAre;

// Entries ending in '/' are folders. Each case has at most one match per ending, since the order
// within an ending is the folder's own.
TEST(FolderScanTest, ListsGepThenCsvThenTxtWithExactEndingsOnly) {
  const struct {
    std::vector<const char*> entries;
    std::vector<const char*> listed;
  } cases[] = {
      {{"a.gep", "b.CSV", "c.txt", "d.doc", "DATA.GEP", "e.csvx", "Fcsv", "g.Txt"},
       {"a.gep", "c.txt"}},
      {{"a.txt", "b.csv", "c.gep"}, {"c.gep", "b.csv", "a.txt"}},
      {{"archive.txt/", "archive.txt/inner.csv"}, {"archive.txt"}},  // nothing below is searched
      {{".csv"}, {".csv"}},
      {{}, {}}};
  for (const auto& c : cases) {
    const test::TempFolder folder;
    for (const std::string name : c.entries) {
      if (name.back() == '/') std::filesystem::create_directory(folder.Path() / name);
      if (name.back() != '/') test::WriteBytes(folder.Path() / name, {0x41});
    }
    std::vector<WString> expected;
    for (const char* name : c.listed) expected.push_back(folder.File(name));
    std::vector<WString> result;
    ScanWorkingFolder(FromNativePath(folder.Path()), result);
    EXPECT_EQ(result, expected);
  }
}

TEST(FolderScanTest, AppendsToWhatIsThereAndAMissingFolderAddsNothing) {
  const test::TempFolder folder;
  test::WriteBytes(folder.Path() / "x.csv", {0x41});
  std::vector<WString> result{u"kept"};
  FindFilesWithExtension(result, FromNativePath(folder.Path()), u"csv");
  ScanWorkingFolder(FromNativePath(folder.Path() / "missing"), result);
  EXPECT_THAT(result, ElementsAre(u"kept", folder.File("x.csv")));
}

TEST(FileListOrderTest, SortsWithoutRegardToCaseThenExactly) {
  std::vector<WString> paths{u"/d/b.csv", u"/d/C.csv", u"/d/a.txt", u"/d/A.txt", u"/d/B.gep"};
  SortFileList(paths);
  EXPECT_THAT(paths, ElementsAre(u"/d/A.txt", u"/d/a.txt", u"/d/b.csv", u"/d/B.gep", u"/d/C.csv"));
}

}  // namespace
}  // namespace tavi
