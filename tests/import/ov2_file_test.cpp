#include "import/ov2_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <tuple>
#include <vector>

#include "gep_builder.h"
#include "support/test_support.h"

namespace tavi {
namespace {

using test::Bytes;

// Files written out byte by byte from the record layouts.

// count 1 "A", count 1 "B", seven bytes, count 1 "C": the records start at offset 13
const Bytes kHeader = {0x01, 'A', 0x01, 'B', 0, 0, 0, 0, 0, 0, 0, 0x01, 'C'};
// type 3, size 17, x 100, y 200, name "A" and its zero unit
const Bytes kPoiA = {0x03, 0x11, 0, 0, 0, 0x64, 0, 0, 0, 0xC8, 0, 0, 0, 'A', 0, 0, 0};
// type 3, size 17, x -100, y -200, name "B"
const Bytes kPoiB = {0x03, 0x11, 0,    0,    0,   0x9C, 0xFF, 0xFF, 0xFF,
                     0x38, 0xFF, 0xFF, 0xFF, 'B', 0,    0,    0};
// type 3, size 17, x 50, y 50, name "C"
const Bytes kPoiC = {0x03, 0x11, 0, 0, 0, 0x32, 0, 0, 0, 0x32, 0, 0, 0, 'C', 0, 0, 0};
// type 0 (deleted), size 17, x 5, y 5, name "D"
const Bytes kDeletedD = {0x00, 0x11, 0, 0, 0, 5, 0, 0, 0, 5, 0, 0, 0, 'D', 0, 0, 0};
// type 2, size 17, x 7, y 7, name "E"
const Bytes kType2E = {0x02, 0x11, 0, 0, 0, 7, 0, 0, 0, 7, 0, 0, 0, 'E', 0, 0, 0};

// type 1, size, east 100, north 200, west -100, south -200
Bytes RectHeaderBytes(std::uint8_t size) {
  return {0x01, size, 0,    0,    0,    0x64, 0,    0,    0,    0xC8, 0,
          0,    0,    0x9C, 0xFF, 0xFF, 0xFF, 0x38, 0xFF, 0xFF, 0xFF};
}

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// A rectangle of 21 header bytes around its records.
Bytes Rect(const std::vector<Bytes>& records) {
  const Bytes content = Join(records);
  return Join({RectHeaderBytes(static_cast<std::uint8_t>(21 + content.size())), content});
}

using Poi = std::tuple<std::int32_t, std::int32_t, WString>;
const Poi kA{100, 200, u"A"};
const Poi kB{-100, -200, u"B"};
const Poi kC{50, 50, u"C"};

std::vector<Poi> Describe(const std::vector<Ov2Entry>& entries) {
  std::vector<Poi> pois;
  for (const Ov2Entry& entry : entries) pois.emplace_back(entry.x, entry.y, entry.name);
  return pois;
}

class Ov2FileTest : public testing::Test {
 protected:
  WString Write(const Bytes& bytes, const std::string& name = "t.gep") {
    test::WriteBytes(m_folder.Path() / name, bytes);
    return m_folder.File(name);
  }
  std::vector<Poi> ReadAll(const Bytes& bytes, BoundingRect* bounds = nullptr) {
    COv2File file;
    EXPECT_TRUE(file.Open(Write(bytes)));
    BoundingRect rect;
    std::vector<Poi> pois = Describe(file.ReadAllEntries(rect));
    if (bounds != nullptr) *bounds = rect;
    return pois;
  }

  test::TempFolder m_folder;
};

TEST_F(Ov2FileTest, OneRectangleYieldsItsPoisInFileOrderWithTheirBounds) {
  BoundingRect bounds;
  EXPECT_EQ(ReadAll(Join({kHeader, Rect({kPoiA, kPoiB, kPoiC})}), &bounds),
            (std::vector<Poi>{kA, kB, kC}));
  EXPECT_EQ(bounds, (BoundingRect{-100, 200, 100, -200}));
}

TEST_F(Ov2FileTest, DeletedPoiIsPassedOver) {
  EXPECT_EQ(ReadAll(Join({kHeader, Rect({kPoiA, kDeletedD, kPoiB})})), (std::vector<Poi>{kA, kB}));
}

TEST_F(Ov2FileTest, OtherRecordTypeEndsTheRectanglesPois) {
  EXPECT_EQ(ReadAll(Join({kHeader, Rect({kPoiA, kType2E, kPoiB})})), (std::vector<Poi>{kA}));
}

TEST_F(Ov2FileTest, TwoRectanglesYieldTheFirstOnesPoisThenTheSecondOnes) {
  EXPECT_EQ(ReadAll(Join({kHeader, Rect({kPoiA, kPoiC}), Rect({kPoiB})})),
            (std::vector<Poi>{kA, kC, kB}));
}

TEST_F(Ov2FileTest, BytesBetweenRectanglesArePassedOver) {
  EXPECT_EQ(ReadAll(Join({kHeader, {0x07}, Rect({kPoiA}), {0x07, 0x00}, Rect({kPoiB})})),
            (std::vector<Poi>{kA, kB}));
}

TEST_F(Ov2FileTest, NestedRectangleIsNotIndexed) {
  EXPECT_EQ(ReadAll(Join({kHeader, Rect({Rect({kPoiA})})})), std::vector<Poi>{});
}

TEST_F(Ov2FileTest, FileEndingBehindTheHeaderHasNoPois) {
  BoundingRect bounds{5, 5, 5, 5};
  EXPECT_EQ(ReadAll(kHeader, &bounds), std::vector<Poi>{});
  EXPECT_EQ(bounds, BoundingRect{});
}

TEST_F(Ov2FileTest, PointsOnBothSidesOf180DegreesGiveANarrowRectangle) {
  const Bytes east = test::PoiRecord({17990000, 0, u"E"});
  const Bytes west = test::PoiRecord({-17990000, 0, u"W"});
  BoundingRect bounds;
  ReadAll(Join({kHeader, Rect({east, west})}), &bounds);
  EXPECT_EQ(bounds, (BoundingRect{17990000, 0, 18010000, 0}));
}

// Taken as a point, (-9999.99999, -9999.99999) would wrap the rectangle's latitudes to 80..90
// degrees; coming last, it would leave every real POI outside, and the writer drops those.
TEST_F(Ov2FileTest, RecordWithoutPositionIsAnEntryButNoPartOfTheBounds) {
  const Poi none{-999999999, -999999999, u"N"};
  BoundingRect bounds;
  EXPECT_EQ(ReadAll(Join({kHeader, Rect({test::PoiRecord({-999999999, -999999999, u"N"}), kPoiA})}),
                    &bounds),
            (std::vector<Poi>{none, kA}));
  EXPECT_EQ(bounds, (BoundingRect{100, 200, 100, 200}));
}

TEST_F(Ov2FileTest, PoiOnTheEdgeOfTheIntegerRangeIsOutsideTheQueryArea) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const Bytes file = Join(
      {kHeader, Rect({test::PoiRecord({kMin, 0, u"W"}), kPoiA, test::PoiRecord({0, kMax, u"N"})})});
  EXPECT_EQ(ReadAll(file), (std::vector<Poi>{kA}));
}

TEST_F(Ov2FileTest, SecondReadAllReturnsNoFurtherEntries) {
  COv2File file;
  ASSERT_TRUE(file.Open(Write(Join({kHeader, Rect({kPoiA})}))));
  BoundingRect bounds;
  EXPECT_EQ(file.ReadAllEntries(bounds).size(), 1u);
  EXPECT_TRUE(file.ReadAllEntries(bounds).empty());
  EXPECT_TRUE(bounds.IsEmpty());
}

struct NameCase {
  const char* what;
  Bytes record;
  WString name;
};

class Ov2NameTest : public Ov2FileTest, public testing::WithParamInterface<NameCase> {};

TEST_P(Ov2NameTest, NameIsReadWithinItsRecord) {
  const std::vector<Poi> pois = ReadAll(Join({kHeader, Rect({GetParam().record, kPoiA})}));
  ASSERT_EQ(pois.size(), 2u) << GetParam().what;
  EXPECT_EQ(std::get<2>(pois[0]), GetParam().name) << GetParam().what;
  EXPECT_EQ(pois[1], kA) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Names, Ov2NameTest,
    testing::Values(
        // size 17: "Z" and U+00E9, no zero unit: the name ends with the record
        NameCase{"unterminated",
                 {0x03, 0x11, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0, 0xE9, 0},
                 u"Z\u00E9"},
        // size 16: "Z" and one odd byte, which is no code unit
        NameCase{"odd length", {0x03, 0x10, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0, 'Y'}, u"Z"},
        // size 19: "Z", a zero unit, "Y": the text ends at the zero unit
        NameCase{"inner zero",
                 {0x03, 0x13, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0, 0, 0, 'Y', 0},
                 u"Z"},
        // size 13: no name at all
        NameCase{"empty", {0x03, 0x0D, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, u""}));

struct DamageCase {
  const char* what;
  Bytes file;
  std::vector<Poi> expected;
};

class Ov2DamageTest : public Ov2FileTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(Ov2DamageTest, ReadsWhatIsThereAndStops) {
  EXPECT_EQ(ReadAll(GetParam().file), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Damaged, Ov2DamageTest,
    testing::Values(
        // size 0 would lead back to the same rectangle for ever: it is walked, then the index ends
        DamageCase{
            "rectangle size 0", Join({kHeader, RectHeaderBytes(0), kPoiA, Rect({kPoiB})}), {kA}},
        DamageCase{
            "rectangle size 20", Join({kHeader, RectHeaderBytes(20), kPoiA, Rect({kPoiB})}), {kA}},
        DamageCase{"rectangle ending beyond the file",
                   Join({kHeader, RectHeaderBytes(0xF0), kPoiA}),
                   {kA}},
        DamageCase{"rectangle header cut", Join({kHeader, {0x01, 0x30, 0, 0}}), {}},
        // size 5: below the POI header's own 13 bytes
        DamageCase{
            "poi size 5",
            Join({kHeader, Rect({kPoiA, {0x03, 0x05, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, kPoiB})}),
            {kA}},
        DamageCase{
            "negative poi size",
            Join({kHeader,
                  Rect({kPoiA, {0x03, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 1, 0, 0, 0}, kPoiB})}),
            {kA}},
        // size 100: the name would run past the end of the file
        DamageCase{
            "poi name past the end",
            Join({kHeader, Rect({kPoiA, {0x03, 0x64, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'Z', 0}})}),
            {kA}},
        DamageCase{"poi header cut", Join({kHeader, Rect({kPoiA, {0x03, 0x11, 0}})}), {kA}}));

struct HeaderCase {
  const char* what;
  Bytes file;
};

class Ov2HeaderTest : public Ov2FileTest, public testing::WithParamInterface<HeaderCase> {};

TEST_P(Ov2HeaderTest, OpenFails) {
  COv2File file;
  EXPECT_FALSE(file.Open(Write(GetParam().file))) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, Ov2HeaderTest,
    testing::Values(HeaderCase{"empty file", {}},
                    HeaderCase{"count A 0", {0x00, 0x01, 'B', 0, 0, 0, 0, 0, 0, 0, 0x01, 'C'}},
                    HeaderCase{"count B 0", {0x01, 'A', 0x00, 0, 0, 0, 0, 0, 0, 0, 0x01, 'C'}},
                    HeaderCase{"count C 0", {0x01, 'A', 0x01, 'B', 0, 0, 0, 0, 0, 0, 0, 0x00}},
                    HeaderCase{"ends after count A", {0x01, 'A'}},
                    HeaderCase{"ends before the seven bytes", {0x01, 'A', 0x01, 'B'}},
                    HeaderCase{"ends before count C", {0x01, 'A', 0x01, 'B', 0, 0, 0}}));

TEST_F(Ov2FileTest, MissingFileDoesNotOpen) {
  COv2File file;
  EXPECT_FALSE(file.Open(m_folder.File("missing.gep")));
}

TEST_F(Ov2FileTest, TitleDropsTheFoldersAndOnlyTheLastFourCharacters) {
  COv2File file;
  ASSERT_TRUE(file.Open(Write(kHeader, "my.pois.gep")));
  EXPECT_EQ(file.GetTitle(), u"my.pois");
  ASSERT_TRUE(file.Open(Write(kHeader, ".gep")));
  EXPECT_EQ(file.GetTitle(), u"");
  file.Close();
  EXPECT_EQ(file.GetTitle(), u"");
}

TEST_F(Ov2FileTest, PathWithoutFolderOpensWithAnEmptyTitle) {
  Write(kHeader, "local.gep");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(m_folder.Path());
  COv2File file;
  const bool opened = file.Open(u"local.gep");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(opened);
  EXPECT_EQ(file.GetTitle(), u"");
}

// Every prefix of a valid file: the reader never reads past the end, and what it yields is the
// beginning of what the whole file yields.
TEST_F(Ov2FileTest, EveryTruncationYieldsAPrefixOfTheEntries) {
  const Bytes whole = Join({kHeader, Rect({kPoiA, kDeletedD, kPoiB}), Rect({kPoiC})});
  const std::vector<Poi> all{kA, kB, kC};
  std::size_t previousCount = 0;
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    COv2File file;
    if (!file.Open(Write(Bytes(whole.begin(), whole.begin() + static_cast<long>(length))))) {
      EXPECT_LT(length, kHeader.size());
      continue;
    }
    BoundingRect bounds;
    const std::vector<Poi> pois = Describe(file.ReadAllEntries(bounds));
    ASSERT_LE(pois.size(), all.size()) << length;
    EXPECT_EQ(pois, std::vector<Poi>(all.begin(), all.begin() + static_cast<long>(pois.size())))
        << length;
    EXPECT_GE(pois.size(), previousCount) << length;
    previousCount = pois.size();
  }
  EXPECT_EQ(previousCount, all.size());
}

// The helper that makes test and example files agrees with the layouts written out above.
TEST(GepBuilder, WritesTheRecordLayouts) {
  EXPECT_EQ(test::Hex(test::PoiRecord({100, 200, u"A"})), test::Hex(kPoiA));
  EXPECT_EQ(test::Hex(test::PoiRecord({5, 5, u"D", test::kGepDeletedPoi})), test::Hex(kDeletedD));
  EXPECT_EQ(test::Hex(test::RectRecord(100, 200, -100, -200, Join({kPoiA, kPoiB}))),
            test::Hex(Rect({kPoiA, kPoiB})));
  // count 3 "GEP", count 3 "1.0", seven zero bytes, count 3 "POI"
  EXPECT_EQ(test::Hex(test::GepHeader()),
            test::Hex({3, 'G', 'E', 'P', 3, '1', '.', '0', 0, 0, 0, 0, 0, 0, 0, 3, 'P', 'O', 'I'}));
  EXPECT_EQ(test::Hex(test::BuildGep({{{100, 200, u"A"}, {-100, -200, u"B"}}})),
            test::Hex(Join({test::GepHeader(), Rect({kPoiA, kPoiB})})));
}

}  // namespace
}  // namespace tavi
