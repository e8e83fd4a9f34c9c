#include "writer/spatial_index.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "platform/convertor_messages.h"

namespace tavi {

std::int32_t g_nProgressTotal = 0;
std::int32_t g_nProgressDone = 0;

SRectNode::SRectNode() = default;

SRectNode::~SRectNode() {
  if (children == nullptr) return;
  // Each list is destroyed only once the child lists of its nodes have been moved out, so no node
  // destroyed here has any left.
  std::vector<std::unique_ptr<SRectNodeList>> pending;
  pending.push_back(std::move(children));
  while (!pending.empty()) {
    const std::unique_ptr<SRectNodeList> list = std::move(pending.back());
    pending.pop_back();
    for (const std::unique_ptr<SRectNode>& node : list->nodes) {
      if (node != nullptr && node->children != nullptr)
        pending.push_back(std::move(node->children));
    }
  }
}

std::unique_ptr<SRectNode> MakeLeaf(const BoundingRect& rect) {
  auto leaf = std::make_unique<SRectNode>();
  leaf->left = rect.left;
  leaf->top = rect.top;
  leaf->right = rect.right;
  leaf->bottom = rect.bottom;
  leaf->elements = std::make_unique<ElementArray>();
  return leaf;
}

BoundingRect RectOf(const SRectNode& node) {
  return {node.left, node.top, node.right, node.bottom};
}

std::int64_t WrapLongitude(std::int32_t x) {
  return x > kAntimeridian ? std::int64_t{x} - kFullCircle : x;
}

bool LongitudeInRange(std::int32_t x, std::int32_t west, std::int32_t east) {
  const std::int64_t wrapped = WrapLongitude(x);
  if (east < kAntimeridian) return west <= wrapped && wrapped <= east;
  return wrapped >= west || wrapped <= std::int64_t{east} - kFullCircle;
}

bool RectContainsPoint(const SRectNode& node, const GeoPoint& p) {
  return node.bottom <= p.y && p.y <= node.top && LongitudeInRange(p.x, node.left, node.right);
}

bool LongitudeRangesOverlap(std::int32_t west1, std::int32_t east1, std::int32_t west2,
                            std::int32_t east2) {
  return LongitudeInRange(west1, west2, east2) || LongitudeInRange(east1, west2, east2) ||
         LongitudeInRange(west2, west1, east1) || LongitudeInRange(east2, west1, east1);
}

void AppendNode(SRectNodeList& list, std::unique_ptr<SRectNode> node) {
  if (list.count >= kMaxNodesPerList) return;
  list.bounds[list.count] = RectOf(*node);
  list.nodes[list.count] = std::move(node);
  ++list.count;
}

std::unique_ptr<SRectNode> RemoveNode(SRectNodeList& list, const SRectNode* node) {
  std::unique_ptr<SRectNode> removed;
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.count; ++i) {
    if (list.nodes[i].get() == node && removed == nullptr) {
      removed = std::move(list.nodes[i]);
    } else {
      list.bounds[kept] = list.bounds[i];
      list.nodes[kept++] = std::move(list.nodes[i]);
    }
  }
  list.count = static_cast<std::uint8_t>(kept);
  return removed;
}

namespace {

// RectContainsPoint for a longitude that WrapLongitude has already taken.
bool BoundsContain(const BoundingRect& bounds, std::int64_t wrappedX, std::int32_t y) {
  if (y < bounds.bottom || y > bounds.top) return false;
  if (bounds.right < kAntimeridian) return bounds.left <= wrappedX && wrappedX <= bounds.right;
  return wrappedX >= bounds.left || wrappedX <= std::int64_t{bounds.right} - kFullCircle;
}

void Extend(std::int32_t value, bool first, std::int32_t& low, std::int32_t& high) {
  low = first ? value : std::min(low, value);
  high = first ? value : std::max(high, value);
}

void Accumulate(SRectNode& leaf, const GeoPoint& p) {
  SLeafStats& stats = leaf.stats;
  stats.minY = stats.count == 0 ? p.y : std::min(stats.minY, p.y);
  stats.maxY = stats.count == 0 ? p.y : std::max(stats.maxY, p.y);
  stats.sumX += p.x;
  stats.sumY += p.y;
  if (!RectContainsPoint(leaf, p)) ++stats.outside;
  const auto x = static_cast<std::int32_t>(WrapLongitude(p.x));
  const std::uint32_t beforeLeft = stats.count - stats.fromLeft;
  if (x >= leaf.left) {
    Extend(x, stats.fromLeft == 0, stats.minFromLeft, stats.maxFromLeft);
    ++stats.fromLeft;
  } else {
    Extend(x, beforeLeft == 0, stats.minBeforeLeft, stats.maxBeforeLeft);
  }
  ++stats.count;
}

// Brings the running figures up to date when the array was filled without them.
void RefreshStats(SRectNode& leaf) {
  if (leaf.stats.count == leaf.elements->size()) return;
  leaf.stats = {};
  for (const auto& element : *leaf.elements) Accumulate(leaf, element->GetPosition());
}

enum class Axis { WestEast, NorthSouth };

struct SCut {
  std::int32_t meanX = 0;
  std::int32_t meanY = 0;
};

// When the leaf contains all its elements, the running figures alone tell whether a side of an
// axis stays empty: the northern half holds the elements with y >= meanY, and the western half
// those from the west edge up to meanX, plus, when meanX reaches past the antimeridian, the
// wrapped ones up to meanX - 360 degrees. So a leaf that cannot be split (all elements on one
// spot) costs no scan at its next insertion. Anything else is left to the counting scan.
bool ExtremesShowNoCut(const SRectNode& leaf, const SCut& cut) {
  const SLeafStats& s = leaf.stats;
  if (s.outside != 0) return false;
  const bool northSouthEmptySide = s.maxY < cut.meanY || s.minY >= cut.meanY;
  if (!northSouthEmptySide) return false;
  const std::uint32_t beforeLeft = s.count - s.fromLeft;
  bool westEmpty = false;
  bool eastEmpty = false;
  if (cut.meanX < kAntimeridian) {
    westEmpty = s.fromLeft == 0 || s.minFromLeft > cut.meanX;
    eastEmpty = beforeLeft == 0 && s.maxFromLeft <= cut.meanX;
  } else {
    const std::int64_t reach = std::int64_t{cut.meanX} - kFullCircle;
    westEmpty = s.fromLeft == 0 && s.minBeforeLeft > reach;
    eastEmpty = beforeLeft == 0 || s.maxBeforeLeft <= reach;
  }
  return westEmpty || eastEmpty;
}

// Picks the axis by counting the positions in the western and northern halves; false when both
// axes leave a side empty.
bool ChooseAxis(const SRectNode& leaf, const std::vector<GeoPoint>& positions, const SCut& cut,
                Axis& axis) {
  const BoundingRect west{leaf.left, leaf.top, cut.meanX, leaf.bottom};
  const BoundingRect north{leaf.left, leaf.top, leaf.right, cut.meanY};
  std::int64_t w = 0;
  std::int64_t n = 0;
  for (const GeoPoint& p : positions) {
    const std::int64_t x = WrapLongitude(p.x);
    if (BoundsContain(west, x, p.y)) ++w;
    if (BoundsContain(north, x, p.y)) ++n;
  }
  const auto total = static_cast<std::int64_t>(positions.size());
  const std::int64_t e = total - w;
  const std::int64_t s = total - n;
  const bool westEastUsable = w != 0 && e != 0;
  const bool northSouthUsable = n != 0 && s != 0;
  axis = std::abs(e - w) < std::abs(n - s) ? Axis::WestEast : Axis::NorthSouth;
  if (axis == Axis::WestEast && !westEastUsable)
    axis = Axis::NorthSouth;
  else if (axis == Axis::NorthSouth && !northSouthUsable)
    axis = Axis::WestEast;
  return westEastUsable || northSouthUsable;
}

}  // namespace

SLeafLocation FindLeaf(SRectNodeList* root, const GeoPoint& p) {
  const std::int64_t x = WrapLongitude(p.x);
  SRectNodeList* list = root;
  while (list != nullptr) {
    std::size_t i = 0;
    while (i < list->count && !BoundsContain(list->bounds[i], x, p.y)) ++i;
    if (i == list->count) return {};
    SRectNode* found = list->nodes[i].get();
    if (found->IsLeaf()) return {list, found};
    list = found->children.get();
  }
  return {};
}

void AddElementToLeaf(SRectNode& leaf, std::unique_ptr<CTaviElement> element) {
  const GeoPoint position = element->GetPosition();
  AddElementToLeaf(leaf, std::move(element), position);
}

void AddElementToLeaf(SRectNode& leaf, std::unique_ptr<CTaviElement> element, GeoPoint position) {
  if (leaf.elements == nullptr) leaf.elements = std::make_unique<ElementArray>();
  if (leaf.stats.count == leaf.elements->size()) Accumulate(leaf, position);
  leaf.elements->push_back(std::move(element));
}

void SplitLeaf(SRectNodeList& list, SRectNode& leaf) {
  if (leaf.elements == nullptr || leaf.elements->empty()) return;
  const std::int64_t width = std::int64_t{leaf.right} - leaf.left;
  const std::int64_t height = std::int64_t{leaf.top} - leaf.bottom;
  if (width < kMinSplitExtent && height < kMinSplitExtent) return;

  RefreshStats(leaf);
  const auto n = static_cast<std::int64_t>(leaf.elements->size());
  const SCut cut{static_cast<std::int32_t>(leaf.stats.sumX / n),
                 static_cast<std::int32_t>(leaf.stats.sumY / n)};
  if (ExtremesShowNoCut(leaf, cut)) return;
  // Each position sits two objects away from its element: fetched once for counting and
  // distributing alike.
  std::vector<GeoPoint> positions;
  positions.reserve(leaf.elements->size());
  for (const auto& element : *leaf.elements) positions.push_back(element->GetPosition());
  Axis axis = Axis::NorthSouth;
  if (!ChooseAxis(leaf, positions, cut, axis)) return;

  std::unique_ptr<SRectNode> a = MakeLeaf(RectOf(leaf));
  std::unique_ptr<SRectNode> b = MakeLeaf(RectOf(leaf));
  if (axis == Axis::WestEast) {
    a->right = cut.meanX;
    b->left = cut.meanX;
  } else {
    a->bottom = cut.meanY;
    b->top = cut.meanY;
  }
  ElementArray moved = std::move(*leaf.elements);
  leaf.elements->clear();
  leaf.stats = {};
  for (std::size_t i = 0; i < moved.size(); ++i) {
    SRectNode& half = RectContainsPoint(*a, positions[i]) ? *a : *b;
    AddElementToLeaf(half, std::move(moved[i]), positions[i]);
  }

  SRectNode* first = a.get();
  SRectNode* second = b.get();
  if (list.count < kMaxNodesPerList) {
    // The leaf, now empty, goes with its removal; the halves take its place at the end.
    const std::unique_ptr<SRectNode> removed = RemoveNode(list, &leaf);
    AppendNode(list, std::move(a));
    AppendNode(list, std::move(b));
  } else {
    leaf.elements.reset();
    leaf.link &= ~SRectNode::kLeafFlag;
    leaf.children = std::make_unique<SRectNodeList>();
    AppendNode(*leaf.children, std::move(a));
    AppendNode(*leaf.children, std::move(b));
  }
  if (first->elements->size() > kLeafSplitThreshold) SplitLeaf(list, *first);
  if (second->elements->size() > kLeafSplitThreshold) SplitLeaf(list, *second);
}

namespace {

struct SDetached {
  ElementArray elements;              // in tree order until sorted
  std::vector<std::size_t> leafEnds;  // elements detached up to and including each leaf
};

struct STreeSize {
  std::size_t elements = 0;
  std::size_t leaves = 0;
  std::size_t depth = 0;  // lists on the longest path from the root
};

STreeSize MeasureTree(const SRectNodeList& root) {
  STreeSize size;
  std::vector<std::pair<const SRectNodeList*, std::size_t>> pending{{&root, 1}};
  while (!pending.empty()) {
    const auto [list, depth] = pending.back();
    pending.pop_back();
    size.depth = std::max(size.depth, depth);
    for (std::size_t i = 0; i < list->count; ++i) {
      const SRectNode& node = *list->nodes[i];
      if (node.children != nullptr) pending.emplace_back(node.children.get(), depth + 1);
      if (node.elements != nullptr) {
        size.elements += node.elements->size();
        ++size.leaves;
      }
    }
  }
  return size;
}

// Moves the elements out of the tree in the order FreeNodeList reports them, freeing the lists
// and nodes on the way: a node's child list and everything below it first, then its own
// elements. Nothing here allocates: detached and open were sized by MeasureTree.
void Detach(SRectNodeList& root, std::vector<SListCursor>& open, SDetached& detached) {
  open.push_back({&root, 0});
  while (!open.empty()) {
    SListCursor& top = open.back();
    if (top.next == top.list->count) {
      top.list->count = 0;
      open.pop_back();
      // The list just emptied belongs to the node where the level above stopped.
      if (!open.empty()) open.back().list->nodes[open.back().next]->children.reset();
      continue;
    }
    SRectNode& node = *top.list->nodes[top.next];
    if (node.children != nullptr) {
      open.push_back({node.children.get(), 0});
      continue;
    }
    if (node.elements != nullptr) {
      for (auto& element : *node.elements) detached.elements.push_back(std::move(element));
      detached.leafEnds.push_back(detached.elements.size());
      node.elements.reset();
    }
    top.list->nodes[top.next++].reset();
  }
}

void ReportFreed(std::size_t leafEnd, std::int32_t doneBefore) {
  g_nProgressDone = static_cast<std::int32_t>(doneBefore + static_cast<std::int64_t>(leafEnd));
  if (g_nProgressTotal != 0) {
    PostProgress(
        static_cast<std::int32_t>(80 + std::int64_t{g_nProgressDone} * 20 / g_nProgressTotal));
  }
}

}  // namespace

void FreeNodeList(SRectNodeList& list) {
  const STreeSize size = MeasureTree(list);
  SDetached detached;
  detached.elements.reserve(size.elements);
  detached.leafEnds.reserve(size.leaves);
  std::vector<SListCursor> open;
  open.reserve(size.depth);
  Detach(list, open, detached);
  // Elements were stored in tree order, which jumps all over the heap; destroyed in address
  // order, their blocks go back to the allocator front to back, several times faster. Progress
  // still passes each leaf's figure in tree order, once as many elements are gone.
  ElementArray& elements = detached.elements;
  std::sort(elements.begin(), elements.end(),
            [](const auto& a, const auto& b) { return std::less<>()(a.get(), b.get()); });
  const std::int32_t doneBefore = g_nProgressDone;
  std::size_t nextLeaf = 0;
  for (std::size_t freed = 0; freed <= elements.size(); ++freed) {
    while (nextLeaf < detached.leafEnds.size() && detached.leafEnds[nextLeaf] <= freed)
      ReportFreed(detached.leafEnds[nextLeaf++], doneBefore);
    if (freed < elements.size()) elements[freed].reset();
  }
}

}  // namespace tavi
