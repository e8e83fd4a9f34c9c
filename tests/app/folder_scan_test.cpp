#include "app/folder_scan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/file_list_order.h"
#include "platform/code_page.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class FolderScanTest : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { test::WriteBytes(m_folder.Path() / name, {0x41}); }
  WString Folder() const { return FromNativePath(m_folder.Path()); }
  WString PathOf(const std::string& name) const { return Folder() + u"/" + Utf8ToWide(name); }
  std::vector<WString> Scan() const {
    std::vector<WString> result;
    ScanWorkingFolder(Folder(), result);
    return result;
  }

  test::TempFolder m_folder;
};

TEST_F(FolderScanTest, KeepsOnlyLowerCaseInputEndings) {
  for (const char* name :
       {"a.gep", "b.CSV", "c.txt", "d.doc", "DATA.GEP", "e.csvx", "Fcsv", "g.Txt"}) {
    Touch(name);
  }
  EXPECT_THAT(Scan(), UnorderedElementsAre(PathOf("a.gep"), PathOf("c.txt")));
}

TEST_F(FolderScanTest, ListsGepThenCsvThenTxt) {
  Touch("a.txt");
  Touch("b.csv");
  Touch("c.gep");
  EXPECT_THAT(Scan(), ElementsAre(PathOf("c.gep"), PathOf("b.csv"), PathOf("a.txt")));
}

TEST_F(FolderScanTest, ListsASubfolderByItsNameButNotWhatIsInIt) {
  std::filesystem::create_directory(m_folder.Path() / "archive.txt");
  test::WriteBytes(m_folder.Path() / "archive.txt" / "inner.csv", {0x41});
  EXPECT_THAT(Scan(), ElementsAre(PathOf("archive.txt")));
}

TEST_F(FolderScanTest, KeepsANameThatIsOnlyTheEnding) {
  Touch(".csv");
  EXPECT_THAT(Scan(), ElementsAre(PathOf(".csv")));
}

TEST_F(FolderScanTest, EmptyOrMissingFolderGivesNothing) {
  EXPECT_THAT(Scan(), IsEmpty());
  std::vector<WString> result;
  ScanWorkingFolder(Folder() + u"/missing", result);
  EXPECT_THAT(result, IsEmpty());
}

TEST_F(FolderScanTest, FindFilesWithExtensionAppendsToWhatIsThere) {
  Touch("x.csv");
  std::vector<WString> result{u"kept"};
  FindFilesWithExtension(result, Folder(), u"csv");
  EXPECT_THAT(result, ElementsAre(u"kept", PathOf("x.csv")));
}

TEST(FileListOrderTest, SortsWithoutRegardToCaseThenExactly) {
  std::vector<WString> paths{u"/d/b.csv", u"/d/C.csv", u"/d/a.txt", u"/d/A.txt", u"/d/B.gep"};
  SortFileList(paths);
  EXPECT_THAT(paths, ElementsAre(u"/d/A.txt", u"/d/a.txt", u"/d/b.csv", u"/d/B.gep", u"/d/C.csv"));
}

}  // namespace
}  // namespace tavi
