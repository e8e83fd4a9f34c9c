#include "platform/path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "support/test_support.h"

namespace tavi {
namespace {

using test::TempFolder;
using test::WriteBytes;

// U+65E5 U+672C and U+00E9 in UTF-8.
constexpr const char* kNativeNonAscii = "\xE6\x97\xA5\xE6\x9C\xAC/\xC3\xA9.csv";
const WString kWideNonAscii = u"\u65E5\u672C/\u00E9.csv";

TEST(PathTest, NativePathsAreUtf8) {
  EXPECT_EQ(ToNativePath(kWideNonAscii).string(), kNativeNonAscii);
  EXPECT_EQ(FromNativePath(std::filesystem::path(kNativeNonAscii)), kWideNonAscii);
  EXPECT_EQ(ToNativePath(WString{u'a', 0xD83D, 0xDE00}).string(), "a\xF0\x9F\x98\x80");
}

// A name that is not UTF-8 cannot be represented exactly; it still yields a usable name.
TEST(PathTest, NonUtf8NativeNameGetsReplacementCharacter) {
  EXPECT_EQ(FromNativePath(std::filesystem::path("\xFF.txt")), u"\uFFFD.txt");
}

TEST(PathTest, ListsFilesAndFoldersByName) {
  TempFolder folder;
  WriteBytes(folder.Path() / "plain.txt", {});
  WriteBytes(folder.Path() / "\xC3\xA9t\xC3\xA9.csv", {});
  std::filesystem::create_directory(folder.Path() / "\xE6\x97\xA5\xE6\x9C\xAC");
  std::vector<WString> names = ListFolderEntries(FromNativePath(folder.Path()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<WString>{u"plain.txt", u"\u00E9t\u00E9.csv", u"\u65E5\u672C"}));
}

TEST(PathTest, ListingSomethingThatIsNotAFolderGivesNothing) {
  TempFolder folder;
  WriteBytes(folder.Path() / "a.txt", {});
  EXPECT_TRUE(ListFolderEntries(folder.File("missing")).empty());
  EXPECT_TRUE(ListFolderEntries(folder.File("a.txt")).empty());
  EXPECT_TRUE(ListFolderEntries(FromNativePath(folder.Path())).size() == 1);
}

TEST(PathTest, WorkingFolderWithNonAsciiName) {
  TempFolder folder;
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
