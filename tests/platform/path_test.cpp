#include "platform/path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/test_support.h"

namespace tavi {
namespace {

TEST(PathTest, NativePathsAreUtf8) {
  // U+65E5 U+672C and U+00E9 in UTF-8
  const char* native = "\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA9.csv";
  EXPECT_EQ(ToNativePath(u"\u65E5\u672C/\u00E9.csv").string(), native);
  EXPECT_EQ(FromNativePath(std::filesystem::path(native)), u"\u65E5\u672C/\u00E9.csv");
  EXPECT_EQ(ToNativePath(WString{u'a', 0xD83D, 0xDE00}).string(), "a\xF0\x9F\x98\x80");
  // a name that is not UTF-8 still yields a usable name
  EXPECT_EQ(FromNativePath(std::filesystem::path("\xFF.txt")), u"\uFFFD.txt");
}

TEST(PathTest, ListsFilesAndFoldersByNameAndNothingForOtherThings) {
  test::TempFolder folder;
  test::WriteBytes(folder.Path() / "plain.txt", {});
  test::WriteBytes(folder.Path() / "\xC3\xA9t\xC3\xA9.csv", {});
  std::filesystem::create_directory(folder.Path() / "\xE6\x97\xA5\xE6\x9C\xAC");
  std::vector<WString> names = ListFolderEntries(FromNativePath(folder.Path()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<WString>{u"plain.txt", u"\u00E9t\u00E9.csv", u"\u65E5\u672C"}));
  EXPECT_TRUE(ListFolderEntries(folder.File("missing")).empty());
  EXPECT_TRUE(ListFolderEntries(folder.File("plain.txt")).empty());
}

TEST(PathTest, WorkingFolderWithNonAsciiName) {
  test::TempFolder folder;
  const std::filesystem::path inside = folder.Path() / "\xC3\xA9";
  std::filesystem::create_directory(inside);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(inside);
  const WString working = GetWorkingFolder();
  std::filesystem::current_path(previous);
  EXPECT_EQ(working, FromNativePath(std::filesystem::canonical(inside)));
  EXPECT_EQ(working.substr(working.size() - 2), (WString{kPathSeparator, u'\u00E9'}));
}

}  // namespace
}  // namespace tavi
