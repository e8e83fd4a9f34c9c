#include "cli/input_paths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/path.h"
#include "support/test_support.h"

namespace tavi::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class InputPathsTest : public ::testing::Test {
 protected:
  InputPathsTest() {
    std::filesystem::create_directory(m_folder.Path() / "sub");
    for (const char* name : {"b.csv", "A.txt", "c.gep", "d.CSV", "sub/z.txt", "sub/Y.csv"}) {
      test::WriteBytes(m_folder.Path() / name, {0x41});
    }
  }
  WString Folder() const { return FromNativePath(m_folder.Path()); }
  WString PathOf(const char16_t* name) const { return Folder() + u"/" + name; }

  test::TempFolder m_folder;
};

TEST_F(InputPathsTest, NoPathScansTheWorkingFolderInListOrder) {
  const SInputList inputs = CollectInputs({}, Folder());
  EXPECT_THAT(inputs.files, ElementsAre(PathOf(u"A.txt"), PathOf(u"b.csv"), PathOf(u"c.gep")));
  EXPECT_THAT(inputs.notes, IsEmpty());
  EXPECT_FALSE(inputs.missingPath);
}

TEST_F(InputPathsTest, FilesKeepTheGivenOrderAndBecomeAbsolute) {
  const SInputList inputs = CollectInputs({"c.gep", "./sub/../b.csv", "sub/z.txt"}, Folder());
  EXPECT_THAT(inputs.files, ElementsAre(PathOf(u"c.gep"), PathOf(u"b.csv"), PathOf(u"sub/z.txt")));
}

TEST_F(InputPathsTest, AFolderStandsForItsInputFiles) {
  const SInputList inputs = CollectInputs({"sub/", "b.csv"}, Folder());
  EXPECT_THAT(inputs.files,
              ElementsAre(PathOf(u"sub/Y.csv"), PathOf(u"sub/z.txt"), PathOf(u"b.csv")));
}

TEST_F(InputPathsTest, AnAbsolutePathIsTakenAsItIs) {
  const std::string absolute = (m_folder.Path() / "b.csv").string();
  const SInputList inputs = CollectInputs({absolute}, u"/elsewhere");
  EXPECT_THAT(inputs.files, ElementsAre(PathOf(u"b.csv")));
}

TEST_F(InputPathsTest, AnotherEndingIsSkippedWithANote) {
  const SInputList inputs = CollectInputs({"d.CSV", "b.csv"}, Folder());
  EXPECT_THAT(inputs.files, ElementsAre(PathOf(u"b.csv")));
  EXPECT_THAT(inputs.notes, ElementsAre("d.CSV: skipped, only names ending in .gep, .csv or .txt "
                                        "are converted (endings are case-sensitive)"));
  EXPECT_FALSE(inputs.missingPath);
}

TEST_F(InputPathsTest, AMissingPathIsNotedAndMarked) {
  const SInputList inputs = CollectInputs({"gone.csv", "b.csv"}, Folder());
  EXPECT_THAT(inputs.files, ElementsAre(PathOf(u"b.csv")));
  EXPECT_THAT(inputs.notes, ElementsAre("gone.csv: no such file or folder"));
  EXPECT_TRUE(inputs.missingPath);
}

TEST(InputEndingTest, OnlyTheThreeLowerCaseEndingsCount) {
  EXPECT_TRUE(HasInputEnding(u"/a/b.gep"));
  EXPECT_TRUE(HasInputEnding(u"/a/b.csv"));
  EXPECT_TRUE(HasInputEnding(u".txt"));
  EXPECT_FALSE(HasInputEnding(u"/a/b.CSV"));
  EXPECT_FALSE(HasInputEnding(u"/a/b.csvx"));
  EXPECT_FALSE(HasInputEnding(u"txt"));
}

}  // namespace
}  // namespace tavi::cli
