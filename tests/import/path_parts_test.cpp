#include "import/path_parts.h"

#include <gtest/gtest.h>

namespace tavi {
namespace {

TEST(PathParts, FolderIsTheTextBeforeTheLastSeparator) {
  const struct {
    const char16_t* path;
    const char16_t* expected;
  } kCases[] = {{u"/data/shops.csv", u"/data"},
                {u"a/b/c.txt", u"a/b"},
                {u"a/", u"a"},
                {u"shops.csv", u""},
                // position 0 is never looked at
                {u"/shops.csv", u""},
                {u"/", u""},
                {u"", u""},
                // only the platform's separator counts
                {u"C:\\data\\x.csv", u""}};
  for (const auto& c : kCases) EXPECT_EQ(GetFolderPart(c.path), c.expected);
}

TEST(PathParts, TitleIsTheFileNameUpToItsFirstDot) {
  const struct {
    const char16_t* path;
    const char16_t* expected;
  } kCases[] = {{u"/data/my.pois.csv", u"my"},
                {u"/data/pois.txt", u"pois"},
                {u"/data/.hidden.csv", u""},
                {u"/da.ta/name", u"name"},
                {u"/data/", u""},
                {u"name.tar.csv", u"name"},
                {u"name", u"name"},
                {u".csv", u""},
                {u"", u""},
                {u"C:\\data\\x.csv", u"C:\\data\\x"}};
  for (const auto& c : kCases) EXPECT_EQ(GetTitlePart(c.path), c.expected);
}

}  // namespace
}  // namespace tavi
