#include "cli/input_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/conversion_worker.h"
#include "platform/path.h"
#include "support/test_support.h"

namespace tavi::cli {
namespace {

TEST(InputPathsTest, CollectInputs) {
  const test::TempFolder folder;
  std::filesystem::create_directory(folder.Path() / "sub");
  for (const char* name : {"b.csv", "A.txt", "c.gep", "d.CSV", "sub/z.txt", "sub/Y.csv"}) {
    test::WriteBytes(folder.Path() / name, {0x41});
  }
  const std::string absolute = (folder.Path() / "b.csv").string();
  const char* const skipped =
      "d.CSV: skipped, only names ending in .gep, .csv or .txt are "
      "converted (endings are case-sensitive)";
  const struct {
    std::vector<std::string> paths;
    std::vector<const char*> files;
    std::vector<std::string> notes;
    bool missingPath;
  } cases[] = {
      // No path scans the working folder, in the list's order.
      {{}, {"A.txt", "b.csv", "c.gep"}, {}, false},
      // Files keep the given order and become absolute.
      {{"c.gep", "./sub/../b.csv", "sub/z.txt"}, {"c.gep", "b.csv", "sub/z.txt"}, {}, false},
      {{"sub/", "b.csv"}, {"sub/Y.csv", "sub/z.txt", "b.csv"}, {}, false},
      {{"d.CSV", "b.csv"}, {"b.csv"}, {skipped}, false},
      {{"gone.csv", "b.csv"}, {"b.csv"}, {"gone.csv: no such file or folder"}, true},
      // An empty argument is not the working folder.
      {{""}, {}, {": no such file or folder"}, true}};
  for (const auto& c : cases) {
    const SInputList inputs = CollectInputs(c.paths, FromNativePath(folder.Path()));
    std::vector<WString> files;
    for (const char* name : c.files) files.push_back(folder.File(name));
    EXPECT_EQ(inputs.files, files);
    EXPECT_EQ(inputs.notes, c.notes);
    EXPECT_EQ(inputs.missingPath, c.missingPath);
  }
  // An absolute path is taken as it is, whatever the working folder.
  EXPECT_EQ(CollectInputs({absolute}, u"/elsewhere").files, std::vector{folder.File("b.csv")});
}

TEST(InputPathsTest, OnlyTheThreeLowerCaseEndingsCount) {
  const std::pair<const char16_t*, bool> cases[] = {{u"/a/b.gep", true},   {u"/a/b.csv", true},
                                                    {u".txt", true},       {u"/a/b.CSV", false},
                                                    {u"/a/b.csvx", false}, {u"txt", false}};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(HasInputEnding(cases[i].first), cases[i].second) << i;
  }
}

}  // namespace
}  // namespace tavi::cli
