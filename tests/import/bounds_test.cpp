#include "import/bounds.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavi {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Rectangles are written left, top, right, bottom.
TEST(Bounds, NormalizeBounds) {
  const struct {
    BoundingRect input;
    BoundingRect expected;
  } kCases[] = {// west of -180: one turn east; the east edge moves along and is not clamped
                {{-19000000, 0, -17000000, 0}, {17000000, 0, 19000000, 0}},
                {{19000000, 0, 21000000, 0}, {-17000000, 0, -15000000, 0}},
                {{-18000000, 0, 18000000, 0}, {-18000000, 0, 18000000, 0}},
                // south edge beyond 90: half a turn of latitude
                {{0, 9500000, 0, 9200000}, {0, -8500000, 0, -8800000}},
                {{0, -9100000, 0, -9500000}, {0, 8900000, 0, 8500000}},
                // only the north edge beyond 90: clamped
                {{0, 9500000, 0, 8000000}, {0, 9000000, 0, 8000000}},
                // 60 turns east; the east edge would pass the int32 range and saturates
                {{kMin, 0, kMax, 0}, {12516352, 0, kMax, 0}}};
  for (const auto& c : kCases) {
    BoundingRect bounds = c.input;
    NormalizeBounds(bounds);
    EXPECT_EQ(bounds, c.expected);
  }
}

TEST(Bounds, IncludePoint) {
  BoundingRect bounds;
  // the first point is taken without normalisation
  IncludePoint(bounds, {19000000, 100});
  EXPECT_EQ(bounds, (BoundingRect{19000000, 100, 19000000, 100}));
  bounds = {};
  IncludePoint(bounds, {-19000000, 100});
  IncludePoint(bounds, {-17000000, -200});
  EXPECT_EQ(bounds, (BoundingRect{17000000, 100, 19000000, -200}));
  bounds = {};
  IncludePoint(bounds, {kMin, kMin});
  IncludePoint(bounds, {kMax, kMax});
  // west: 60 turns east; south: -2147483648 + 119 * 18000000 = -5483648; north clamped
  EXPECT_EQ(bounds, (BoundingRect{12516352, 9000000, kMax, -5483648}));
}

TEST(Bounds, IncludePointNearCentre) {
  const struct {
    BoundingRect input;
    GeoPoint point;
    BoundingRect expected;
  } kCases[] = {// across 180 degrees: -179.9 is taken as 180.1, which lies nearer the centre
                {{17990000, 0, 17990000, 0}, {-17990000, 0}, {17990000, 0, 18010000, 0}},
                // the west edge -180.1 is then normalised one turn east
                {{-17990000, 0, -17990000, 0}, {17990000, 0}, {17990000, 0, 18010000, 0}},
                // an ordinary point widens the rectangle as it stands
                {{100, 50, 200, 40}, {300, 10}, {100, 50, 300, 10}},
                // latitude is never shifted, only normalised with the rectangle
                {{0, 0, 0, 0}, {0, 9500000}, {0, 9000000, 0, 0}},
                // the rectangle is normalised (two turns) before its centre is taken
                {{-55000000, 0, -55000000, 0}, {17500000, 0}, {17000000, 0, 17500000, 0}},
                // one turn west keeps the point nearer; no int32 overflow on the way
                {{0, 0, 0, 0}, {kMax, 0}, {0, 0, 2111483647, 0}},
                // one turn east, then 59 turns of normalisation for the new west edge
                {{0, 0, 0, 0}, {kMin, 0}, {12516352, 0, 2124000000, 0}}};
  for (const auto& c : kCases) {
    BoundingRect bounds = c.input;
    IncludePointNearCentre(bounds, c.point);
    EXPECT_EQ(bounds, c.expected);
  }
}

}  // namespace
}  // namespace tavi
