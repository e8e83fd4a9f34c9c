#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "support/test_support.h"
#include "writer/index_builder.h"
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

// Inserts as a file is built, a batch at a time.
void Insert(CIndexBuilder& index, const std::vector<GeoPoint>& points) {
  for (std::size_t first = 0; first < points.size(); first += CIndexBuilder::kMaxBatch) {
    std::vector<SLeafEntry> entries;
    for (std::size_t i = first; i < std::min(points.size(), first + CIndexBuilder::kMaxBatch); ++i)
      entries.push_back({points[i].x, points[i].y, static_cast<std::uint32_t>(i + 1), 0});
    std::vector<std::uint32_t> leaves(entries.size());
    index.InsertBatch(entries, leaves);
    for (std::size_t k = 0; k < entries.size(); ++k)
      ASSERT_NE(leaves[k], CIndexBuilder::kNone) << entries[k].x << " " << entries[k].y;
  }
}

std::string Rect(const BoundingRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ":";
}

// A tree as text: each node's rectangle, then its children or its elements' ids.
std::string Describe(const SRectNodeList& list) {
  std::string text = "[";
  for (std::size_t i = 0; i < list.count; ++i) {
    const SRectNode& n = *list.nodes[i];
    text += Rect(RectOf(n));
    if (n.children != nullptr) text += Describe(*n.children);
    if (n.elements != nullptr) {
      for (const auto& e : *n.elements) text += " " + std::to_string(e->id);
    }
    text += ")";
  }
  return text + "]";
}

std::string Describe(const CIndexBuilder& index, std::uint32_t list = CIndexBuilder::kRootList) {
  std::string text = "[";
  for (std::size_t i = 0; i < index.NodeCount(list); ++i) {
    const CIndexBuilder::SNode node = index.Node(list, i);
    text += Rect(node.rect);
    if (!node.leaf) text += Describe(index, node.index);
    if (node.leaf) {
      for (const SLeafEntry& e : index.Entries(node.index)) text += " " + std::to_string(e.record);
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

// The test of a whole list answers as the test of each rectangle, with SSE2 and without, for
// points on edges, across the antimeridian and in rectangles that contain nothing.
TEST(Index, ListTestAnswersAsEachRectangle) {
  const BoundingRect rects[] = {{0, 100, 100, 0},
                                {-50, 50, 50, -50},
                                {17999000, 10, 18000000, -10},
                                {17999000, 10, 18001000, -10},
                                {5, 5, 4, 0},
                                {-18000000, 9000000, 18000000, -9000000},
                                {100, 0, 200, 100},
                                {1, 1, 1, 1}};
  SListBounds bounds;
  for (std::size_t slot = 0; slot < 8; ++slot) bounds.Set(slot, rects[slot]);
  const std::int32_t xs[] = {-18000000, -17999000, -50,      0,        1,       4,
                             5,         100,       17999000, 18000000, 18001000};
  const std::int32_t ys[] = {-9000001, -50, -10, 0, 1, 5, 10, 50, 100, 9000000};
  for (const std::int32_t x : xs) {
    for (const std::int32_t y : ys) {
      unsigned expected = 0;
      for (std::size_t slot = 0; slot < 8; ++slot)
        expected |= RectContainsPoint(rects[slot], {x, y}) ? 1u << slot : 0u;
      EXPECT_EQ(ContainingNodes(bounds, WrappedLongitude(x), y), expected) << x << " " << y;
      EXPECT_EQ(ContainingNodesOneByOne(bounds, WrappedLongitude(x), y), expected);
    }
  }
}

// The 32nd insertion splits at the mean position; a tie chooses north-south, the northern half
// first.
TEST(Index, SplitAtTheMean) {
  CIndexBuilder index({0, 100000, 100000, 0});
  std::vector<GeoPoint> points;
  for (int i = 1; i <= 31; ++i)
    points.push_back(i <= 16 ? GeoPoint{10000, 20000} : GeoPoint{90000, 30000});
  Insert(index, points);
  EXPECT_EQ(index.NodeCount(CIndexBuilder::kRootList), 1u);
  CIndexBuilder split({0, 100000, 100000, 0});
  points.push_back({90000, 30000});
  Insert(split, points);
  std::string north = "(0,100000,100000,25000:", south = "(0,25000,100000,0:";
  for (int i = 1; i <= 32; ++i) (i <= 16 ? south : north) += " " + std::to_string(i);
  EXPECT_EQ(Describe(split), "[" + north + ")" + south + ")]");
  CIndexBuilder narrow({0, 1000, 999, 0});  // narrower than 1000: split while 1000 high or more
  points.clear();
  for (int i = 0; i < 32; ++i) points.push_back({i * 30, i * 30});
  Insert(narrow, points);
  EXPECT_EQ(narrow.NodeCount(CIndexBuilder::kRootList), 2u);
}

// The descent exactly as its steps read: the first node of each level that contains the point.
SRectNode* PlainFind(SRectNodeList& root, GeoPoint p, SRectNodeList*& list) {
  list = &root;
  for (;;) {
    SRectNode* found = nullptr;
    for (std::size_t i = 0; i < list->count && found == nullptr; ++i)
      if (RectContainsPoint(*list->nodes[i], p)) found = list->nodes[i].get();
    if (found == nullptr || found->children == nullptr) return found;
    list = found->children.get();
  }
}

void RemoveNode(SRectNodeList& list, const SRectNode* node) {
  std::size_t i = 0;
  while (list.nodes[i].get() != node) ++i;
  for (; i + 1 < list.count; ++i) list.nodes[i] = std::move(list.nodes[i + 1]);
  list.nodes[--list.count].reset();
}

// The split exactly as its steps read: sums, counts and the distribution by scanning every time.
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

// The mixed points in the orders of a road, a coast or a border: sorted by longitude, by
// latitude backwards, moved onto the middle parallel or meridian, or in groups of 40 on one
// meridian (parallel), one unit around the middle parallel (meridian). Runs like these make the
// tree deep and take the remembered descents; the groups are cut again and again through the
// middle, where the next points lie on the edge the halves share.
std::vector<GeoPoint> Ordered(const BoundingRect& r, unsigned order) {
  std::vector<GeoPoint> points = Mixed(r, 1);
  const bool byX = order == 4 || order == 6 || order == 8;
  std::stable_sort(points.begin(), points.end(),
                   [byX](GeoPoint a, GeoPoint b) { return byX ? a.x < b.x : a.y > b.y; });
  const auto middleY = static_cast<std::int32_t>((std::int64_t{r.top} + r.bottom) / 2);
  const auto middleX = static_cast<std::int32_t>((std::int64_t{r.left} + r.right) / 2);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const auto around = static_cast<std::int32_t>(i % 3) - 1;
    if (order == 6) points[i].y = middleY;
    if (order == 7) points[i].x = middleX;
    if (order == 8) points[i] = {points[i / 40 * 40].x, middleY + around};
    if (order == 9) points[i] = {middleX + around, points[i / 40 * 40].y};
  }
  return points;
}

// Points one unit apart along the middle meridian, northwards or southwards, each a unit off it or
// on it by chance: the meridian is cut again and again, and later points lie on the edges of
// halves just made and of siblings that now come before them. Of the seeds tried, these two find a
// box that keeps either edge in both directions.
std::vector<GeoPoint> AlongTheMeridian(const BoundingRect& r, bool north) {
  std::mt19937 random(north ? 19 : 59);
  const std::int64_t middleY = (std::int64_t{r.top} + r.bottom) / 2;
  const std::int64_t half = (std::int64_t{r.top} - r.bottom) / 2;
  const auto middleX = static_cast<std::int32_t>((std::int64_t{r.left} + r.right) / 2);
  std::vector<GeoPoint> points;
  for (std::int64_t i = 0; i < 3000; ++i) {
    const std::int64_t y = north ? middleY + i % (half + 1) : middleY - i % (half + 1);
    points.push_back(
        {middleX + static_cast<std::int32_t>(random() % 3) - 1, static_cast<std::int32_t>(y)});
  }
  return points;
}

// A tree built the fast way (running figures, remembered descents, leaves found in batches)
// equals the tree built the plain way, point by point.
TEST(Index, FastInsertionGivesTheTreeThatThePlainOneGives) {
  const BoundingRect rects[] = {{0, 100000, 100000, 0},
                                {-3000000, -1000000, -1000000, -3000000},  // truncation to zero
                                {17000000, 500000, 19000000, -500000},     // across 180 degrees
                                {-18000000, 9000000, 18000000, -9000000},
                                {17990000, 1000, 18000000, 0},  // east edge on the antimeridian
                                {17900000, 100000, 18100000, 0}};
  for (const BoundingRect& r : rects) {
    for (unsigned seed = 1; seed <= 11; ++seed) {
      const std::vector<GeoPoint> points = seed <= 3   ? Mixed(r, seed)
                                           : seed <= 9 ? Ordered(r, seed)
                                                       : AlongTheMeridian(r, seed == 10);
      SRectNodeList plain;
      AppendNode(plain, Leaf(r));
      CIndexBuilder fast(r);
      Insert(fast, points);
      std::int32_t id = 0;
      for (const GeoPoint& p : points) {
        SRectNodeList* list = nullptr;
        SRectNode* leaf = PlainFind(plain, p, list);
        auto element = std::make_unique<CTaviElement>();
        element->SetPosition(p);
        element->id = ++id;
        AddElementToLeaf(*leaf, std::move(element));
        if (leaf->elements->size() >= kLeafSplitThreshold) PlainSplit(*list, *leaf);
      }
      ASSERT_EQ(Describe(fast), Describe(plain)) << r.left << " seed " << seed;
    }
  }
}

}  // namespace
}  // namespace tavi
