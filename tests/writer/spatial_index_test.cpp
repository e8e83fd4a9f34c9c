#include "writer/spatial_index.h"

#include <gtest/gtest.h>

#include "writer/writer_test_support.h"

namespace tavi {
namespace {

using test::MakeElement;

std::unique_ptr<SRectNode> MakeLeaf(std::int32_t left, std::int32_t top, std::int32_t right,
                                    std::int32_t bottom) {
  auto node = std::make_unique<SRectNode>();
  node->left = left;
  node->top = top;
  node->right = right;
  node->bottom = bottom;
  node->link = SRectNode::kLeafFlag;
  node->elements = std::make_unique<ElementArray>();
  return node;
}

SRectNodeList MakeRoot(std::int32_t left, std::int32_t top, std::int32_t right,
                       std::int32_t bottom) {
  SRectNodeList root;
  AppendNode(root, MakeLeaf(left, top, right, bottom));
  return root;
}

// Inserts as the container does: into the leaf found, splitting it once it holds 32 or more.
bool Insert(SRectNodeList& root, std::int32_t x, std::int32_t y) {
  const SLeafLocation found = FindLeaf(&root, GeoPoint{x, y});
  if (!found) return false;
  AddElementToLeaf(*found.leaf, MakeElement(u"p", x, y));
  if (found.leaf->elements->size() >= kLeafSplitThreshold) SplitLeaf(*found.list, *found.leaf);
  return true;
}

struct RangeCase {
  std::int32_t x, west, east;
  bool inside;
};

TEST(LongitudeInRange, AntimeridianRule) {
  const RangeCase cases[] = {
      {17500000, 17000000, 18000000, true},
      {18000000, 17000000, 18000000, true},
      {-18000000, 17000000, 18000000, true},
      {-17500000, 17000000, 18000000, false},
      {0, -1000, 1000, true},
      {18000001, -1000, 1000, false},
      {-17999999, 17500000, 18500000, true},
      {18100000, 17500000, 18500000, true},
      {-1000, -1000, 1000, true},
      {1001, -1000, 1000, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LongitudeInRange(c.x, c.west, c.east), c.inside)
        << c.x << " in " << c.west << ".." << c.east;
  }
}

TEST(LongitudeRangesOverlap, EitherRangeReachingIntoTheOther) {
  EXPECT_TRUE(LongitudeRangesOverlap(0, 100, 50, 200));
  EXPECT_TRUE(LongitudeRangesOverlap(0, 1000, 10, 20));  // second inside the first
  EXPECT_TRUE(LongitudeRangesOverlap(10, 20, 0, 1000));  // first inside the second
  EXPECT_FALSE(LongitudeRangesOverlap(0, 100, 101, 200));
  EXPECT_TRUE(LongitudeRangesOverlap(17500000, 18500000, -17800000, -17700000));
}

TEST(RectContainsPoint, EdgesAreInclusive) {
  const auto node = MakeLeaf(0, 100, 100, 0);
  EXPECT_TRUE(RectContainsPoint(*node, {0, 0}));
  EXPECT_TRUE(RectContainsPoint(*node, {100, 100}));
  EXPECT_FALSE(RectContainsPoint(*node, {101, 50}));
  EXPECT_FALSE(RectContainsPoint(*node, {50, -1}));
  EXPECT_FALSE(RectContainsPoint(SRectNode{}, {0, 0}));  // the default rectangle holds nothing
}

TEST(NodeList, AppendStopsAtEightAndRemoveKeepsTheOrder) {
  SRectNodeList list;
  std::vector<const SRectNode*> added;
  for (int i = 0; i < 9; ++i) {
    auto node = MakeLeaf(i, 1, i, 0);
    added.push_back(node.get());
    AppendNode(list, std::move(node));
  }
  ASSERT_EQ(list.count, 8);
  EXPECT_NE(RemoveNode(list, added[2]), nullptr);
  EXPECT_EQ(RemoveNode(list, added[2]), nullptr);
  ASSERT_EQ(list.count, 7);
  const int expectedLefts[] = {0, 1, 3, 4, 5, 6, 7};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(list.nodes[static_cast<std::size_t>(i)]->left, expectedLefts[i]);
}

TEST(FindLeaf, FollowsOnlyTheFirstContainingNode) {
  SRectNodeList root;
  AppendNode(root, MakeLeaf(0, 100, 100, 0));
  AppendNode(root, MakeLeaf(50, 100, 200, 0));
  // The shared edge goes to the first node.
  EXPECT_EQ(FindLeaf(&root, {50, 50}).leaf, root.nodes[0].get());
  EXPECT_EQ(FindLeaf(&root, {150, 50}).leaf, root.nodes[1].get());
  EXPECT_FALSE(FindLeaf(&root, {300, 50}));
  EXPECT_FALSE(FindLeaf(nullptr, {0, 0}));

  // Turn the first node into an internal one whose only child covers its western part: a point
  // in the overlap east of that child finds nothing, although the second node contains it.
  SRectNode& first = *root.nodes[0];
  first.elements.reset();
  first.link = 0;
  first.children = std::make_unique<SRectNodeList>();
  AppendNode(*first.children, MakeLeaf(0, 100, 40, 0));
  const SLeafLocation inChild = FindLeaf(&root, {10, 10});
  EXPECT_EQ(inChild.list, first.children.get());
  EXPECT_EQ(inChild.leaf, first.children->nodes[0].get());
  EXPECT_FALSE(FindLeaf(&root, {60, 50}));
}

TEST(SplitLeaf, TieChoosesNorthSouthWithTheNorthernHalfFirst) {
  SRectNodeList root = MakeRoot(0, 100000, 100000, 0);
  for (int i = 0; i < 16; ++i) ASSERT_TRUE(Insert(root, 10000, 20000));
  for (int i = 0; i < 15; ++i) ASSERT_TRUE(Insert(root, 90000, 30000));
  ASSERT_EQ(root.count, 1);  // 31 elements: no split yet
  ASSERT_TRUE(Insert(root, 90000, 30000));
  ASSERT_EQ(root.count, 2);
  const SRectNode& north = *root.nodes[0];
  const SRectNode& south = *root.nodes[1];
  EXPECT_EQ(north.left, 0);
  EXPECT_EQ(north.right, 100000);
  EXPECT_EQ(north.top, 100000);
  EXPECT_EQ(north.bottom, 25000);
  EXPECT_EQ(south.top, 25000);
  EXPECT_EQ(south.bottom, 0);
  ASSERT_EQ(north.elements->size(), 16u);
  ASSERT_EQ(south.elements->size(), 16u);
  for (const auto& e : *north.elements) EXPECT_EQ(e->GetPosition(), (GeoPoint{90000, 30000}));
  for (const auto& e : *south.elements) EXPECT_EQ(e->GetPosition(), (GeoPoint{10000, 20000}));
}

// meanX or meanY = (10 * 30000 + 11 * 60000) / 32 = 30000 with all points on one latitude or
// one meridian: an element on the cut goes to the western or the northern half.
TEST(SplitLeaf, AnElementOnTheCutGoesToTheFirstHalf) {
  for (const bool westEast : {true, false}) {
    SRectNodeList root = MakeRoot(0, 100000, 100000, 0);
    for (const auto& [at, times] : {std::pair{0, 11}, {30000, 10}, {60000, 11}}) {
      for (int i = 0; i < times; ++i) {
        ASSERT_TRUE(westEast ? Insert(root, at, 50000) : Insert(root, 50000, at));
      }
    }
    ASSERT_EQ(root.count, 2);
    EXPECT_EQ(westEast ? root.nodes[0]->right : root.nodes[0]->bottom, 30000);
    if (westEast) {
      EXPECT_EQ(root.nodes[1]->left, 30000);
    }
    EXPECT_EQ(root.nodes[0]->elements->size(), 21u);
    EXPECT_EQ(root.nodes[1]->elements->size(), 11u);
  }
}

struct UnsplittableCase {
  const char* what;
  std::int32_t left, top, right, bottom;
  std::vector<GeoPoint> points;
};

std::vector<GeoPoint> Repeat(GeoPoint p, int times) {
  return std::vector<GeoPoint>(static_cast<std::size_t>(times), p);
}

std::vector<GeoPoint> Grid(std::int32_t x0, std::int32_t y0, std::int32_t step, int count) {
  std::vector<GeoPoint> points;
  for (int i = 0; i < count; ++i) points.push_back({x0 + (i % 8) * step, y0 + (i / 8) * step});
  return points;
}

TEST(SplitLeaf, LeavesThatCannotBeSplitKeepGrowing) {
  std::vector<GeoPoint> oneNorth = Repeat({50000, 40000}, 32);
  oneNorth.push_back({50000, 40001});
  std::vector<GeoPoint> acrossAntimeridian = Repeat({17900000, 10000}, 20);
  const auto other = Repeat({-17900000, 10000}, 20);
  acrossAntimeridian.insert(acrossAntimeridian.end(), other.begin(), other.end());
  const UnsplittableCase cases[] = {
      {"one position", 0, 100000, 100000, 0, Repeat({50000, 50000}, 1000)},
      {"one unit further north", 0, 100000, 100000, 0, oneNorth},
      {"999 by 999", 0, 999, 999, 0, Grid(0, 0, 100, 64)},
      {"antimeridian, one latitude", 17500000, 20000, 18500000, 0, acrossAntimeridian},
  };
  for (const auto& c : cases) {
    SRectNodeList root = MakeRoot(c.left, c.top, c.right, c.bottom);
    for (const GeoPoint& p : c.points) ASSERT_TRUE(Insert(root, p.x, p.y)) << c.what;
    ASSERT_EQ(root.count, 1) << c.what;
    EXPECT_EQ(root.nodes[0]->elements->size(), c.points.size()) << c.what;
  }
}

TEST(SplitLeaf, AntimeridianLeafIsCutNorthSouthWhenLatitudesAllow) {
  SRectNodeList root = MakeRoot(17500000, 20000, 18500000, 0);
  for (int i = 0; i < 16; ++i) {
    ASSERT_TRUE(Insert(root, 17900000, 1000));
    ASSERT_TRUE(Insert(root, -17900000, 3000));
  }
  ASSERT_EQ(root.count, 2);
  EXPECT_EQ(root.nodes[0]->bottom, 2000);
  EXPECT_EQ(root.nodes[0]->left, 17500000);
  EXPECT_EQ(root.nodes[0]->right, 18500000);
  for (const auto& e : *root.nodes[0]->elements) EXPECT_EQ(e->GetPosition().x, -17900000);
  for (const auto& e : *root.nodes[1]->elements) EXPECT_EQ(e->GetPosition().x, 17900000);
}

TEST(SplitLeaf, NarrowButHighLeafCanBeSplit) {
  SRectNodeList root = MakeRoot(0, 2000, 500, 0);
  for (const GeoPoint& p : Grid(0, 0, 60, 32)) ASSERT_TRUE(Insert(root, p.x, p.y));
  EXPECT_EQ(root.count, 2);
}

// Seven leaves side by side, each 100000 wide.
SRectNodeList SevenLeaves() {
  SRectNodeList root;
  for (std::int32_t i = 0; i < 7; ++i)
    AppendNode(root, MakeLeaf(i * 100000, 100000, i * 100000 + 99999, 0));
  return root;
}

TEST(SplitLeaf, HalvesGoToTheEndOfAListWithRoomThenAFullListGrowsChildren) {
  SRectNodeList root = SevenLeaves();
  const SRectNode* third = root.nodes[3].get();
  for (const GeoPoint& p : Grid(300000, 0, 1000, 32)) ASSERT_TRUE(Insert(root, p.x, p.y));
  ASSERT_EQ(root.count, 8);
  const std::int32_t lefts[] = {0, 100000, 200000, 400000, 500000, 600000};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(root.nodes[i]->left, lefts[i]);
  for (std::size_t i = 0; i < 8; ++i) EXPECT_NE(root.nodes[i].get(), third);
  EXPECT_EQ(root.nodes[6]->elements->size() + root.nodes[7]->elements->size(), 32u);

  SRectNode* first = root.nodes[0].get();
  for (const GeoPoint& p : Grid(0, 0, 1000, 32)) ASSERT_TRUE(Insert(root, p.x, p.y));
  ASSERT_EQ(root.count, 8);
  EXPECT_EQ(root.nodes[0].get(), first);
  EXPECT_EQ(first->elements, nullptr);
  EXPECT_EQ(first->link & SRectNode::kLeafFlag, 0u);
  EXPECT_FALSE(first->IsLeaf());
  ASSERT_NE(first->children, nullptr);
  ASSERT_EQ(first->children->count, 2);
  EXPECT_EQ(
      first->children->nodes[0]->elements->size() + first->children->nodes[1]->elements->size(),
      32u);
}

TEST(SplitLeaf, HalvesAboveThresholdAreSplitAgainWithTheSameList) {
  SRectNodeList root = SevenLeaves();
  AppendNode(root, MakeLeaf(700000, 1000, 799999, 0));
  SRectNode& last = *root.nodes[7];
  for (int i = 0; i < 100; ++i) AddElementToLeaf(last, MakeElement(u"p", 700000 + i * 1000, 500));
  SplitLeaf(root, last);
  // 100 -> 50 + 50 cut west-east at 749500; each half of the full list splits again, 25 + 25.
  ASSERT_EQ(root.count, 8);
  ASSERT_NE(last.children, nullptr);
  ASSERT_EQ(last.children->count, 2);
  EXPECT_EQ(last.children->nodes[0]->right, 749500);
  for (std::size_t half = 0; half < 2; ++half) {
    const SRectNode& node = *last.children->nodes[half];
    ASSERT_NE(node.children, nullptr);
    ASSERT_EQ(node.children->count, 2);
    EXPECT_EQ(node.children->nodes[0]->elements->size(), 25u);
    EXPECT_EQ(node.children->nodes[1]->elements->size(), 25u);
  }
}

TEST(SplitLeaf, UsesElementsAddedWithoutRunningFigures) {
  SRectNodeList root = MakeRoot(0, 100000, 100000, 0);
  SRectNode& leaf = *root.nodes[0];
  for (int i = 0; i < 16; ++i) {
    leaf.elements->push_back(MakeElement(u"p", 10000, 20000));
    leaf.elements->push_back(MakeElement(u"p", 90000, 30000));
  }
  SplitLeaf(root, leaf);
  ASSERT_EQ(root.count, 2);
  EXPECT_EQ(root.nodes[0]->bottom, 25000);
}

TEST(FreeNodeList, ReportsEveryLeafInTreeOrderOnlyDuringASave) {
  test::CRecordingWindow window;
  SRectNodeList root;
  AppendNode(root, MakeLeaf(0, 10, 10, 0));
  AppendNode(root, MakeLeaf(20, 10, 30, 0));
  SRectNode& inner = *root.nodes[0];
  inner.elements.reset();
  inner.link = 0;
  inner.children = std::make_unique<SRectNodeList>();
  AppendNode(*inner.children, MakeLeaf(0, 10, 4, 0));  // stays empty
  AppendNode(*inner.children, MakeLeaf(5, 10, 10, 0));
  // Created alternately, so that the two leaves' elements lie mixed in memory.
  for (int i = 0; i < 5; ++i) {
    if (i < 3) AddElementToLeaf(*inner.children->nodes[1], MakeElement(u"p", 6, 1));
    AddElementToLeaf(*root.nodes[1], MakeElement(u"p", 21, 1));
  }
  g_nProgressTotal = 8;
  g_nProgressDone = 0;
  FreeNodeList(root);
  g_nProgressTotal = 0;
  EXPECT_EQ(root.count, 0);
  EXPECT_EQ(g_nProgressDone, 8);
  // 80 + 0 * 20 / 8, 80 + 3 * 20 / 8, 80 + 8 * 20 / 8.
  EXPECT_EQ(window.percents, (std::vector<std::int32_t>{80, 87, 100}));

  window.percents.clear();  // outside a save nothing is reported
  AppendNode(root, MakeLeaf(0, 10, 10, 0));
  AddElementToLeaf(*root.nodes[0], MakeElement(u"p", 1, 1));
  FreeNodeList(root);
  EXPECT_TRUE(window.percents.empty());
}

}  // namespace
}  // namespace tavi
