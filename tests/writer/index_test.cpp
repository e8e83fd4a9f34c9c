#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "support/test_support.h"
#include "writer/spatial_index.h"

namespace tavi {
namespace {

std::unique_ptr<SRectNode> Leaf(const BoundingRect& r) {
  auto node = std::make_unique<SRectNode>();
  std::tie(node->left, node->top, node->right, node->bottom) =
      std::tie(r.left, r.top, r.right, r.bottom);
  node->link = SRectNode::kLeafFlag;
  node->elements = std::make_unique<ElementArray>();
  return node;
}

std::unique_ptr<CTaviElement> Poi(GeoPoint p, std::int32_t id = 0) {
  auto element = std::make_unique<CTaviElement>();
  element->SetName(u"p");
  element->SetPosition(p);
  element->id = id;
  return element;
}

// Inserts as the container does: into the leaf found, splitting it at 32 elements or more.
void Insert(SRectNodeList& root, GeoPoint p, std::int32_t id = 0) {
  const SLeafLocation found = FindLeaf(&root, p);
  ASSERT_TRUE(found) << p.x << " " << p.y;
  AddElementToLeaf(*found.leaf, Poi(p, id));
  if (found.leaf->elements->size() >= kLeafSplitThreshold) SplitLeaf(*found.list, *found.leaf);
}

// A tree as text: each node's rectangle, then its children or its elements' ids.
std::string Describe(const SRectNodeList& list) {
  std::string text = "[";
  for (std::size_t i = 0; i < list.count; ++i) {
    const SRectNode& n = *list.nodes[i];
    text += "(" + std::to_string(n.left) + "," + std::to_string(n.top) + "," +
            std::to_string(n.right) + "," + std::to_string(n.bottom) + ":";
    if (n.children != nullptr) text += Describe(*n.children);
    if (n.elements != nullptr) {
      for (const auto& e : *n.elements) text += " " + std::to_string(e->id);
    }
    text += ")";
  }
  return text + "]";
}

TEST(Index, ContainmentAndTheAntimeridian) {
  const std::tuple<std::int32_t, std::int32_t, std::int32_t, bool> ranges[] = {
      {17500000, 17000000, 18000000, true},
      {18000000, 17000000, 18000000, true},
      {-18000000, 17000000, 18000000, true},
      {-17500000, 17000000, 18000000, false},
      {-17999999, 17500000, 18500000, true},
      {-17499999, 17500000, 18500000, false},
      {-1000, -1000, 1000, true},
      {18000001, -1000, 1000, false},
      {1001, -1000, 1000, false}};
  for (const auto& [x, west, east, inside] : ranges) {
    EXPECT_EQ(LongitudeInRange(x, west, east), inside) << x << " in " << west << ".." << east;
  }
  EXPECT_FALSE(RectContainsPoint(SRectNode{}, {0, 0}));  // the default rectangle is empty
}

// The 32nd insertion splits at the mean position; a tie chooses north-south, the northern half
// first.
TEST(Index, SplitAtTheMean) {
  SRectNodeList root;
  AppendNode(root, Leaf({0, 100000, 100000, 0}));
  for (int i = 1; i <= 31; ++i)
    Insert(root, i <= 16 ? GeoPoint{10000, 20000} : GeoPoint{90000, 30000}, i);
  EXPECT_EQ(root.count, 1);
  Insert(root, {90000, 30000}, 32);
  std::string north = "(0,100000,100000,25000:", south = "(0,25000,100000,0:";
  for (int i = 1; i <= 32; ++i) (i <= 16 ? south : north) += " " + std::to_string(i);
  EXPECT_EQ(Describe(root), "[" + north + ")" + south + ")]");
  SRectNodeList narrow;  // a leaf narrower than 1000 is split while it is 1000 high or more
  AppendNode(narrow, Leaf({0, 1000, 999, 0}));
  for (int i = 0; i < 32; ++i) Insert(narrow, {i * 30, i * 30});
  EXPECT_EQ(narrow.count, 2);
}

// The split exactly as its steps read: sums, counts and the distribution by scanning every time.
// The index keeps running figures instead, to skip hopeless attempts; both must build the same
// trees.
void PlainSplit(SRectNodeList& list, SRectNode& leaf) {
  if (std::int64_t{leaf.right} - leaf.left < 1000 && std::int64_t{leaf.top} - leaf.bottom < 1000)
    return;
  ElementArray& elements = *leaf.elements;
  std::int64_t sumX = 0, sumY = 0;
  for (const auto& e : elements) {
    sumX += e->GetPosition().x;
    sumY += e->GetPosition().y;
  }
  const auto n = static_cast<std::int64_t>(elements.size());
  const BoundingRect r{leaf.left, leaf.top, leaf.right, leaf.bottom};
  auto west = Leaf({r.left, r.top, static_cast<std::int32_t>(sumX / n), r.bottom});
  auto east = Leaf({static_cast<std::int32_t>(sumX / n), r.top, r.right, r.bottom});
  auto north = Leaf({r.left, r.top, r.right, static_cast<std::int32_t>(sumY / n)});
  auto south = Leaf({r.left, static_cast<std::int32_t>(sumY / n), r.right, r.bottom});
  std::int64_t w = 0, nn = 0;
  for (const auto& e : elements) {
    w += RectContainsPoint(*west, e->GetPosition()) ? 1 : 0;
    nn += RectContainsPoint(*north, e->GetPosition()) ? 1 : 0;
  }
  const bool westEastOk = w != 0 && w != n;
  const bool northSouthOk = nn != 0 && nn != n;
  if (!westEastOk && !northSouthOk) return;
  bool westEast = std::llabs(n - 2 * w) < std::llabs(n - 2 * nn);
  if (westEast && !westEastOk) westEast = false;  // an axis with an empty side gives way
  if (!westEast && !northSouthOk) westEast = true;
  std::unique_ptr<SRectNode> a = westEast ? std::move(west) : std::move(north);
  std::unique_ptr<SRectNode> b = westEast ? std::move(east) : std::move(south);
  for (auto& e : elements) {
    (RectContainsPoint(*a, e->GetPosition()) ? a : b)->elements->push_back(std::move(e));
  }
  SRectNode* first = a.get();
  SRectNode* second = b.get();
  if (list.count < kMaxNodesPerList) {
    RemoveNode(list, &leaf);
    AppendNode(list, std::move(a));
    AppendNode(list, std::move(b));
  } else {
    leaf.elements.reset();
    leaf.link = 0;
    leaf.children = std::make_unique<SRectNodeList>();
    AppendNode(*leaf.children, std::move(a));
    AppendNode(*leaf.children, std::move(b));
  }
  if (first->elements->size() > kLeafSplitThreshold) PlainSplit(list, *first);
  if (second->elements->size() > kLeafSplitThreshold) PlainSplit(list, *second);
}

// Points of one crowded spot, one crowded latitude and spread; where the rectangle reaches across
// the antimeridian, some lie east of it, written once as western longitudes and once beyond 180
// degrees, as a text file may have them.
std::vector<GeoPoint> Mixed(const BoundingRect& r, unsigned seed) {
  std::mt19937 random(seed);
  const auto in = [&random](std::int64_t low, std::int64_t high) {
    return static_cast<std::int32_t>(
        std::uniform_int_distribution<std::int64_t>(low, high)(random));
  };
  const bool wraps = r.right >= kAntimeridian;
  std::vector<GeoPoint> points;
  for (int i = 0; i < 3000; ++i) {
    std::int32_t x = in(r.left, wraps ? kAntimeridian : r.right);
    if (wraps && i % 5 == 2) x = in(-kAntimeridian, r.right - kFullCircle);
    if (wraps && i % 5 == 3) x = in(kAntimeridian, r.right);
    points.push_back(i % 5 == 0 ? GeoPoint{r.left, r.bottom}
                                : GeoPoint{x, i % 5 == 1 ? r.top : in(r.bottom, r.top)});
  }
  return points;
}

TEST(Index, RunningFiguresGiveTheTreeThatScanningGives) {
  const BoundingRect rects[] = {{0, 100000, 100000, 0},
                                {-3000000, -1000000, -1000000, -3000000},  // truncation to zero
                                {17000000, 500000, 19000000, -500000},     // across 180 degrees
                                {-18000000, 9000000, 18000000, -9000000},
                                {17990000, 1000, 18000000, 0},  // east edge on the antimeridian
                                {17900000, 100000, 18100000, 0}};
  for (const BoundingRect& r : rects) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      SRectNodeList plain;
      SRectNodeList kept;
      AppendNode(plain, Leaf(r));
      AppendNode(kept, Leaf(r));
      std::int32_t id = 0;
      for (const GeoPoint& p : Mixed(r, seed)) {
        Insert(kept, p, ++id);
        const SLeafLocation found = FindLeaf(&plain, p);
        found.leaf->elements->push_back(Poi(p, id));
        if (found.leaf->elements->size() >= kLeafSplitThreshold)
          PlainSplit(*found.list, *found.leaf);
      }
      ASSERT_EQ(Describe(kept), Describe(plain)) << r.left << " seed " << seed;
    }
  }
}

}  // namespace
}  // namespace tavi
