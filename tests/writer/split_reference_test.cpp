// The index keeps running figures to skip hopeless split attempts; these cases build the same
// inputs with a plain implementation that counts by scanning every time, and compare the trees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "writer/spatial_index.h"
#include "writer/writer_test_support.h"

namespace tavi {
namespace {

using test::MakeElement;

std::unique_ptr<SRectNode> Half(const SRectNode& leaf) {
  auto half = std::make_unique<SRectNode>();
  half->left = leaf.left;
  half->top = leaf.top;
  half->right = leaf.right;
  half->bottom = leaf.bottom;
  half->elements = std::make_unique<ElementArray>();
  return half;
}

// The split exactly as the steps read: sums, counts and distribution by scanning.
void PlainSplit(SRectNodeList& list, SRectNode& leaf) {
  if (std::int64_t{leaf.right} - leaf.left < 1000 && std::int64_t{leaf.top} - leaf.bottom < 1000)
    return;
  ElementArray& elements = *leaf.elements;
  const auto n = static_cast<std::int64_t>(elements.size());
  std::int64_t sumX = 0;
  std::int64_t sumY = 0;
  for (const auto& e : elements) {
    sumX += e->GetPosition().x;
    sumY += e->GetPosition().y;
  }
  const auto meanX = static_cast<std::int32_t>(sumX / n);
  const auto meanY = static_cast<std::int32_t>(sumY / n);
  auto west = Half(leaf);
  west->right = meanX;
  auto east = Half(leaf);
  east->left = meanX;
  auto north = Half(leaf);
  north->bottom = meanY;
  auto south = Half(leaf);
  south->top = meanY;
  std::int64_t w = 0;
  std::int64_t nn = 0;
  for (const auto& e : elements) {
    w += RectContainsPoint(*west, e->GetPosition()) ? 1 : 0;
    nn += RectContainsPoint(*north, e->GetPosition()) ? 1 : 0;
  }
  const std::int64_t ee = n - w;
  const std::int64_t s = n - nn;
  bool westEast = std::llabs(ee - w) < std::llabs(s - nn);
  const bool westEastOk = w != 0 && ee != 0;
  const bool northSouthOk = nn != 0 && s != 0;
  if (!westEastOk && !northSouthOk) return;
  if (westEast && !westEastOk) westEast = false;
  if (!westEast && !northSouthOk) westEast = true;
  std::unique_ptr<SRectNode> a = westEast ? std::move(west) : std::move(north);
  std::unique_ptr<SRectNode> b = westEast ? std::move(east) : std::move(south);
  for (auto& e : elements) {
    (RectContainsPoint(*a, e->GetPosition()) ? a : b)->elements->push_back(std::move(e));
  }
  elements.clear();
  SRectNode* first = a.get();
  SRectNode* second = b.get();
  if (list.count < 8) {
    RemoveNode(list, &leaf);
    AppendNode(list, std::move(a));
    AppendNode(list, std::move(b));
  } else {
    leaf.elements.reset();
    leaf.link &= ~SRectNode::kLeafFlag;
    leaf.children = std::make_unique<SRectNodeList>();
    AppendNode(*leaf.children, std::move(a));
    AppendNode(*leaf.children, std::move(b));
  }
  if (first->elements->size() > 32) PlainSplit(list, *first);
  if (second->elements->size() > 32) PlainSplit(list, *second);
}

SRectNodeList Root(const BoundingRect& r) {
  SRectNodeList root;
  auto leaf = std::make_unique<SRectNode>();
  leaf->left = r.left;
  leaf->top = r.top;
  leaf->right = r.right;
  leaf->bottom = r.bottom;
  leaf->link = SRectNode::kLeafFlag;
  leaf->elements = std::make_unique<ElementArray>();
  AppendNode(root, std::move(leaf));
  return root;
}

void Build(SRectNodeList& root, const std::vector<GeoPoint>& points, bool plain) {
  int id = 0;
  for (const GeoPoint& p : points) {
    const SLeafLocation found = FindLeaf(&root, p);
    if (!found) continue;
    auto element = MakeElement(u"p", p.x, p.y);
    element->id = ++id;
    if (plain) {
      found.leaf->elements->push_back(std::move(element));
    } else {
      AddElementToLeaf(*found.leaf, std::move(element));
    }
    if (found.leaf->elements->size() < 32) continue;
    if (plain) {
      PlainSplit(*found.list, *found.leaf);
    } else {
      SplitLeaf(*found.list, *found.leaf);
    }
  }
}

std::string Describe(const SRectNodeList& list) {
  std::string text = "[";
  for (std::size_t i = 0; i < list.count; ++i) {
    const SRectNode& node = *list.nodes[i];
    text += "(" + std::to_string(node.left) + "," + std::to_string(node.top) + "," +
            std::to_string(node.right) + "," + std::to_string(node.bottom) + " " +
            std::to_string(node.link) + ":";
    if (node.children != nullptr) text += Describe(*node.children);
    if (node.elements != nullptr) {
      for (const auto& e : *node.elements) text += " " + std::to_string(e->id);
    }
    text += ")";
  }
  return text + "]";
}

// A fixed pseudo-random sequence mixing one crowded spot, a crowded latitude and spread points.
std::vector<GeoPoint> Mixed(const BoundingRect& r, unsigned seed, int count) {
  std::vector<GeoPoint> points;
  std::uint64_t state = seed;
  auto next = [&](std::int64_t low, std::int64_t high) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::int32_t>(
        low +
        static_cast<std::int64_t>((state >> 33) % static_cast<std::uint64_t>(high - low + 1)));
  };
  const bool wraps = r.right >= 18000000;
  const std::int64_t eastEnd = wraps ? std::min<std::int64_t>(r.right, 18000000) : r.right;
  for (int i = 0; i < count; ++i) {
    switch (i % 5) {
      case 0:
        points.push_back({r.left, r.bottom});  // one crowded spot on the corner
        break;
      case 1:
        points.push_back({next(r.left, eastEnd), r.top});  // one crowded latitude
        break;
      case 2:
        if (wraps) {  // east of the antimeridian, written as a western longitude
          points.push_back({next(-18000000, r.right - 36000000), next(r.bottom, r.top)});
          break;
        }
        [[fallthrough]];
      default:
        points.push_back({next(r.left, eastEnd), next(r.bottom, r.top)});
    }
  }
  return points;
}

TEST(SplitLeaf, RunningFiguresGiveTheSameTreeAsScanning) {
  const BoundingRect rects[] = {
      {0, 100000, 100000, 0},
      {-3000000, -1000000, -1000000, -3000000},  // negative means truncate toward zero
      {17000000, 500000, 19000000, -500000},     // across the antimeridian
      {-18000000, 9000000, 18000000, -9000000},  // the whole world
      {17990000, 1000, 18000000, 0},             // east edge on the antimeridian
  };
  for (const BoundingRect& r : rects) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      const auto points = Mixed(r, seed, 3000);
      SRectNodeList plain = Root(r);
      SRectNodeList kept = Root(r);
      Build(plain, points, true);
      Build(kept, points, false);
      ASSERT_EQ(Describe(kept), Describe(plain)) << r.left << " seed " << seed;
    }
  }
}

}  // namespace
}  // namespace tavi
