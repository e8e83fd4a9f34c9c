#include "import/path_parts.h"

#include <gtest/gtest.h>

namespace tavi {
namespace {

struct PathCase {
  const char16_t* path;
  const char16_t* expected;
};

class FolderPart : public testing::TestWithParam<PathCase> {};

TEST_P(FolderPart, IsTheTextBeforeTheLastSeparator) {
  EXPECT_EQ(GetFolderPart(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderPart,
                         testing::Values(PathCase{u"/data/shops.csv", u"/data"},
                                         PathCase{u"a/b/c.txt", u"a/b"}, PathCase{u"a/", u"a"},
                                         PathCase{u"shops.csv", u""},
                                         // position 0 is never looked at
                                         PathCase{u"/shops.csv", u""}, PathCase{u"/", u""},
                                         PathCase{u"", u""},
                                         // only the platform's separator counts
                                         PathCase{u"C:\\data\\x.csv", u""}));

class TitlePart : public testing::TestWithParam<PathCase> {};

TEST_P(TitlePart, IsTheFileNameUpToItsFirstDot) {
  EXPECT_EQ(GetTitlePart(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, TitlePart,
    testing::Values(PathCase{u"/data/my.pois.csv", u"my"}, PathCase{u"/data/pois.txt", u"pois"},
                    PathCase{u"/data/.hidden.csv", u""}, PathCase{u"/da.ta/name", u"name"},
                    PathCase{u"/data/", u""}, PathCase{u"name.tar.csv", u"name"},
                    PathCase{u"name", u"name"}, PathCase{u".csv", u""}, PathCase{u"", u""},
                    PathCase{u"C:\\data\\x.csv", u"C:\\data\\x"}));

}  // namespace
}  // namespace tavi
