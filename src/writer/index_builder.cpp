#include "writer/index_builder.h"

#include <algorithm>
#include <bit>
#include <utility>

namespace tavi {

namespace {

// A walk this deep or deeper leaves a descent box for the next points: shallow walks cost less
// than the box, and deep ones come from runs along a line, whose next points land there again.
constexpr std::size_t kBoxedDepth = 8;

constexpr std::uint64_t kLargestEntrySize = 0x80000000u;
constexpr std::size_t kLineBytes = 64;

}  // namespace

CIndexBuilder::CIndexBuilder(const BoundingRect& root) {
  const std::uint32_t list = NewList();
  Append(list, root, NewLeaf(root, list, kLeafSplitThreshold) | kLeafBit);
}

CIndexBuilder::CIndexBuilder(const SRectNodeList& root, CElementArena& arena) {
  std::vector<std::pair<const SRectNodeList*, std::uint32_t>> pending{{&root, NewList()}};
  while (!pending.empty()) {
    const auto [source, list] = pending.back();
    pending.pop_back();
    for (std::size_t i = 0; i < source->count; ++i) {
      const SRectNode& node = *source->nodes[i];
      const BoundingRect rect = RectOf(node);
      if (node.children != nullptr) {
        const std::uint32_t child = NewList();
        Append(list, rect, child);
        pending.emplace_back(node.children.get(), child);
        continue;
      }
      const std::size_t count = node.elements ? node.elements->size() : 0;
      const std::uint32_t leaf = NewLeaf(rect, list, count);
      Append(list, rect, leaf | kLeafBit);
      for (std::size_t k = 0; k < count; ++k) {
        const CElementArena::Ref ref = arena.AddElement(*(*node.elements)[k], true);
        m_leaves[leaf].entries.push_back(EntryOf(arena.View(ref), ref));
      }
    }
  }
}

CIndexBuilder::~CIndexBuilder() = default;

SLeafEntry CIndexBuilder::EntryOf(const CRecordView& record, CElementArena::Ref ref) {
  const GeoPoint position = record.Position();
  const std::uint64_t size = std::min(SavedRecordSize(record), kLargestEntrySize);
  return {position.x, position.y, ref, static_cast<std::uint32_t>(size)};
}

CIndexBuilder::SNode CIndexBuilder::Node(std::uint32_t list, std::size_t slot) const {
  const SList& level = m_lists[list];
  const std::uint32_t node = level.nodes[slot];
  return {level.rects[slot], (node & kLeafBit) != 0, node & ~kLeafBit};
}

std::uint32_t CIndexBuilder::NewList() {
  m_lists.emplace_back();
  return static_cast<std::uint32_t>(m_lists.size() - 1);
}

std::uint32_t CIndexBuilder::NewLeaf(const BoundingRect& rect, std::uint32_t list,
                                     std::size_t capacity) {
  std::uint32_t leaf = 0;
  if (m_retired.empty()) {
    leaf = static_cast<std::uint32_t>(m_leaves.size());
    m_leaves.emplace_back();
  } else {
    leaf = m_retired.back();
    m_retired.pop_back();
  }
  SLeaf& made = m_leaves[leaf];
  made.rect = rect;
  made.list = list;
  made.entries.reserve(capacity);
  return leaf;
}

void CIndexBuilder::RetireLeaf(std::uint32_t leaf) {
  const std::uint32_t generation = m_leaves[leaf].generation + 1;
  m_leaves[leaf] = SLeaf{};
  m_leaves[leaf].generation = generation;
  m_retired.push_back(leaf);
}

void CIndexBuilder::Append(std::uint32_t list, const BoundingRect& rect, std::uint32_t node) {
  SList& level = m_lists[list];
  level.bounds.Set(level.count, rect);
  level.rects[level.count] = rect;
  level.nodes[level.count] = node;
  ++level.count;
}

void CIndexBuilder::RemoveSlot(std::uint32_t list, std::size_t slot) {
  SList& level = m_lists[list];
  for (std::size_t i = slot; i + 1 < level.count; ++i) {
    level.bounds.Set(i, level.rects[i + 1]);
    level.rects[i] = level.rects[i + 1];
    level.nodes[i] = level.nodes[i + 1];
  }
  --level.count;
  level.bounds.Clear(level.count);
}

std::size_t CIndexBuilder::SlotOf(std::uint32_t list, std::uint32_t node) const {
  const SList& level = m_lists[list];
  return static_cast<std::size_t>(
      std::find(level.nodes.begin(), level.nodes.begin() + level.count, node) -
      level.nodes.begin());
}

std::uint32_t CIndexBuilder::Walk(GeoPoint p, std::vector<SStep>& path) const {
  const std::int32_t x = WrappedLongitude(p.x);
  std::uint32_t list = kRootList;
  for (;;) {
    const SList& level = m_lists[list];
    const unsigned containing = ContainingNodes(level.bounds, x, p.y);
    if (containing == 0) return kNone;
    const auto slot = static_cast<std::uint32_t>(std::countr_zero(containing));
    path.push_back({list, slot});
    const std::uint32_t node = level.nodes[slot];
    if ((node & kLeafBit) != 0) return node & ~kLeafBit;
    list = node;
  }
}

std::uint32_t CIndexBuilder::Locate(GeoPoint p) {
  const std::int32_t x = WrappedLongitude(p.x);
  for (const SCached& cached : m_cache) {
    if (cached.leaf != kNone && cached.box.Contains(x, p.y)) return cached.leaf;
  }
  m_path.clear();
  const std::uint32_t leaf = Walk(p, m_path);
  if (leaf != kNone && m_path.size() >= kBoxedDepth) Remember(leaf, BoxOf(m_path));
  return leaf;
}

void CIndexBuilder::FindLeaves(std::span<const GeoPoint> points, std::span<SFound> found) {
  std::array<std::uint32_t, kMaxBatch> lists{};
  std::array<std::size_t, kMaxBatch> walking{};
  std::size_t active = 0;
  for (std::size_t k = 0; k < points.size(); ++k) {
    found[k] = {};
    const std::int32_t x = WrappedLongitude(points[k].x);
    const auto hit = std::find_if(m_cache.begin(), m_cache.end(), [&](const SCached& cached) {
      return cached.leaf != kNone && cached.box.Contains(x, points[k].y);
    });
    if (hit != m_cache.end()) {
      found[k] = {hit->leaf, m_leaves[hit->leaf].generation, false};
    } else {
      lists[k] = kRootList;
      walking[active++] = k;
    }
  }
  for (std::size_t depth = 1; active > 0; ++depth) {
    std::size_t still = 0;
    for (std::size_t i = 0; i < active; ++i) {
      const std::size_t k = walking[i];
      const SList& level = m_lists[lists[k]];
      const unsigned containing =
          ContainingNodes(level.bounds, WrappedLongitude(points[k].x), points[k].y);
      if (containing == 0) continue;
      const std::uint32_t node =
          level.nodes[static_cast<std::size_t>(std::countr_zero(containing))];
      if ((node & kLeafBit) != 0) {
        const std::uint32_t leaf = node & ~kLeafBit;
        found[k] = {leaf, m_leaves[leaf].generation, depth >= kBoxedDepth};
        __builtin_prefetch(&m_leaves[leaf]);
        continue;
      }
      lists[k] = node;
      const auto* next = reinterpret_cast<const char*>(&m_lists[node]);
      for (std::size_t line = 0; line < sizeof(SListBounds) + kLineBytes; line += kLineBytes) {
        __builtin_prefetch(next + line);
      }
      walking[still++] = k;
    }
    active = still;
  }
}

void CIndexBuilder::Prefetch(const SFound& found) const {
  if (found.leaf == kNone) return;
  const std::vector<SLeafEntry>& entries = m_leaves[found.leaf].entries;
  __builtin_prefetch(entries.data() + entries.size(), 1);
}

void CIndexBuilder::InsertBatch(std::span<const SLeafEntry> entries,
                                std::span<std::uint32_t> leaves) {
  std::array<GeoPoint, kMaxBatch> points;
  std::array<SFound, kMaxBatch> found;
  const std::size_t size = std::min(entries.size(), kMaxBatch);
  for (std::size_t k = 0; k < size; ++k) points[k] = entries[k].Position();
  FindLeaves({points.data(), size}, {found.data(), size});
  for (std::size_t k = 0; k < size; ++k) {
    if (k + 1 < size) Prefetch(found[k + 1]);
    leaves[k] = Confirm(found[k], points[k]);
    if (leaves[k] != kNone) Insert(leaves[k], entries[k]);
  }
}

std::uint32_t CIndexBuilder::Confirm(const SFound& found, GeoPoint p) {
  if (found.leaf == kNone || m_leaves[found.leaf].generation != found.generation) return Locate(p);
  if (found.deep) {
    // Deep points one after the other in one leaf are a run along a line, whose next points a
    // descent box spares the walk. Points spread over a deep part of the tree would pay for boxes
    // that no later point falls into.
    const bool cached = std::any_of(m_cache.begin(), m_cache.end(),
                                    [&](const SCached& c) { return c.leaf == found.leaf; });
    if (found.leaf == m_lastDeepLeaf && !cached) {
      m_path.clear();
      Walk(p, m_path);
      Remember(found.leaf, BoxOf(m_path));
    }
    m_lastDeepLeaf = found.leaf;
  }
  return found.leaf;
}

SDescentBox CIndexBuilder::BoxOf(const std::vector<SStep>& path) const {
  SDescentBox box = SDescentBox::Everywhere();
  for (const SStep& step : path) box.Restrict(m_lists[step.list].rects[step.slot]);
  for (const SStep& step : path) {
    for (std::size_t earlier = 0; earlier < step.slot; ++earlier) {
      box.Exclude(m_lists[step.list].rects[earlier]);
    }
  }
  return box;
}

void CIndexBuilder::Remember(std::uint32_t leaf, const SDescentBox& box) {
  if (box.IsEmpty()) return;
  m_cache[1] = m_cache[0];
  m_cache[0] = {leaf, box};
}

bool CIndexBuilder::TakeCached(std::uint32_t leaf, SDescentBox& box) {
  for (SCached& cached : m_cache) {
    if (cached.leaf != leaf) continue;
    box = cached.box;
    cached = {};
    return true;
  }
  return false;
}

// A box stays right while its leaf is a leaf: a split elsewhere either turns a node into a parent
// in place, with the same rectangle, or takes a leaf out of its list and appends the halves at
// its end, which leaves fewer nodes before any other and puts the halves after them all.
void CIndexBuilder::RememberHalves(const SDescentBox& box, const SHalves& halves) {
  SDescentBox first = box;
  first.Restrict(m_leaves[halves.first].rect);
  SDescentBox second = box;
  second.Restrict(m_leaves[halves.second].rect);
  for (std::size_t i = 0; i < halves.laterCount; ++i) {
    first.Exclude(halves.later[i]);
    second.Exclude(halves.later[i]);
  }
  second.Exclude(m_leaves[halves.first].rect);
  Remember(halves.second, second);
  Remember(halves.first, first);
}

void CIndexBuilder::Insert(std::uint32_t leaf, const SLeafEntry& entry) {
  SLeaf& target = m_leaves[leaf];
  target.entries.push_back(entry);
  if (target.stats) AddToStats(*target.stats, target.rect, entry.Position());
  if (target.entries.size() >= kLeafSplitThreshold) Split(leaf);
}

// A half that holds more than the threshold is split again at once, with the list the first split
// was given, also when the half went into a new child list; the first half and everything made of
// it come before the second.
void CIndexBuilder::Split(std::uint32_t leaf) {
  const std::uint32_t list = m_leaves[leaf].list;
  SHalves halves;
  if (!SplitOnce(list, leaf, halves)) return;
  SDescentBox box;
  const bool boxed = TakeCached(leaf, box);
  const auto splitAgain = [this](std::uint32_t half) {
    if (m_leaves[half].entries.size() > kLeafSplitThreshold) m_pending.push_back(half);
  };
  splitAgain(halves.second);
  splitAgain(halves.first);
  const bool again = !m_pending.empty();
  while (!m_pending.empty()) {
    const std::uint32_t half = m_pending.back();
    m_pending.pop_back();
    SHalves more;
    if (!SplitOnce(list, half, more)) continue;
    splitAgain(more.second);
    splitAgain(more.first);
  }
  if (boxed && !again) RememberHalves(box, halves);
}

bool CIndexBuilder::SplitOnce(std::uint32_t list, std::uint32_t leaf, SHalves& halves) {
  SLeaf& source = m_leaves[leaf];
  const BoundingRect rect = source.rect;
  if (source.entries.empty()) return false;
  if (std::int64_t{rect.right} - rect.left < kMinSplitExtent &&
      std::int64_t{rect.top} - rect.bottom < kMinSplitExtent) {
    return false;
  }
  std::int64_t sumX = 0;
  std::int64_t sumY = 0;
  if (source.stats) {
    sumX = source.stats->sumX;
    sumY = source.stats->sumY;
  } else {
    for (const SLeafEntry& entry : source.entries) {
      sumX += entry.x;
      sumY += entry.y;
    }
  }
  const SCut cut = MeanCut(sumX, sumY, source.entries.size());
  if (source.stats && ExtremesShowNoCut(*source.stats, cut)) return false;
  ESplitAxis axis = ESplitAxis::kNorthSouth;
  if (!ChooseAxis(rect, source.entries, cut, axis)) {
    // Kept from now on, so that the next insertions find this out without a scan.
    if (!source.stats) {
      source.stats = std::make_unique<SLeafStats>();
      for (const SLeafEntry& entry : source.entries) {
        AddToStats(*source.stats, rect, entry.Position());
      }
    }
    return false;
  }
  BoundingRect firstRect;
  BoundingRect secondRect;
  HalfRects(rect, cut, axis, firstRect, secondRect);
  const std::vector<SLeafEntry> entries = std::move(source.entries);
  halves.first = NewLeaf(firstRect, list, kLeafSplitThreshold);
  halves.second = NewLeaf(secondRect, list, kLeafSplitThreshold);
  for (const SLeafEntry& entry : entries) {
    const bool first = RectContainsPoint(firstRect, entry.Position());
    m_leaves[first ? halves.first : halves.second].entries.push_back(entry);
  }
  PlaceHalves(list, leaf, halves);
  RetireLeaf(leaf);
  return true;
}

// While the list has room the halves replace the leaf at the list's end; a full list keeps the
// leaf in its place as the parent of a new list holding the halves.
void CIndexBuilder::PlaceHalves(std::uint32_t list, std::uint32_t leaf, SHalves& halves) {
  std::uint32_t target = list;
  if (m_lists[list].count < kMaxNodesPerList) {
    const std::size_t slot = SlotOf(list, leaf | kLeafBit);
    const SList& level = m_lists[list];
    halves.laterCount = level.count - slot - 1;
    std::copy_n(level.rects.begin() + static_cast<std::ptrdiff_t>(slot + 1), halves.laterCount,
                halves.later.begin());
    RemoveSlot(list, slot);
  } else {
    const std::uint32_t own = m_leaves[leaf].list;
    const std::size_t slot = SlotOf(own, leaf | kLeafBit);
    target = NewList();
    m_lists[own].nodes[slot] = target;
  }
  for (const std::uint32_t half : {halves.first, halves.second}) {
    m_leaves[half].list = target;
    Append(target, m_leaves[half].rect, half | kLeafBit);
  }
}

}  // namespace tavi
