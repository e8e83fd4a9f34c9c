#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "model/element_arena.h"
#include "model/geo.h"
#include "writer/descent_box.h"
#include "writer/leaf_split.h"
#include "writer/list_bounds.h"
#include "writer/spatial_index.h"

namespace tavi {

// The spatial index of a file being written, built element by element: the tree a file is read
// into (SRectNodeList), with the same descent, splits and placement of halves, held for speed. A
// list keeps its eight rectangles side by side, so that one test answers for all of them, and a
// leaf keeps its elements' positions beside their records. Split statistics exist only for a leaf
// that a split could not cut.
class CIndexBuilder {
 public:
  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr std::uint32_t kRootList = 0;

  // The most points FindLeaves looks up together.
  static constexpr std::size_t kMaxBatch = 16;

  // A node of a list: a leaf, or the parent of a child list.
  struct SNode {
    BoundingRect rect;
    bool leaf = true;
    std::uint32_t index = 0;  // of the leaf or of the child list
  };

  // One empty leaf over the rectangle.
  explicit CIndexBuilder(const BoundingRect& root);
  // The index as it was read from a file. The elements of its leaves become records of arena and
  // stay in their leaves, in their order.
  CIndexBuilder(const SRectNodeList& root, CElementArena& arena);
  ~CIndexBuilder();
  CIndexBuilder(const CIndexBuilder&) = delete;
  CIndexBuilder& operator=(const CIndexBuilder&) = delete;

  // Puts up to kMaxBatch entries, one after the other, into the leaf in which the descent for each
  // ends at its turn (the first node of each level that contains its position), trying a split
  // once a leaf holds kLeafSplitThreshold; leaves[k] is the leaf of entry k, kNone for one that no
  // leaf contains (a level has none), which is not stored.
  void InsertBatch(std::span<const SLeafEntry> entries, std::span<std::uint32_t> leaves);

  // The entry of a record, which lies where the record's position says.
  static SLeafEntry EntryOf(const CRecordView& record, CElementArena::Ref ref);

  std::size_t ListCount() const { return m_lists.size(); }
  std::size_t LeafCount() const { return m_leaves.size(); }
  std::size_t NodeCount(std::uint32_t list) const { return m_lists[list].count; }
  SNode Node(std::uint32_t list, std::size_t slot) const;
  const std::vector<SLeafEntry>& Entries(std::uint32_t leaf) const {
    return m_leaves[leaf].entries;
  }

 private:
  static constexpr std::uint32_t kLeafBit = 0x80000000u;

  // A leaf found for a point, as it was when found.
  struct SFound {
    std::uint32_t leaf = kNone;
    std::uint32_t generation = 0;
    bool deep = false;  // found by a walk deep enough to leave a descent box
  };

  struct SList {
    SListBounds bounds;
    std::array<std::uint32_t, kMaxNodesPerList> nodes{};  // a child list, or a leaf | kLeafBit
    std::uint8_t count = 0;
    std::array<BoundingRect, kMaxNodesPerList> rects{};
  };
  struct SLeaf {
    std::vector<SLeafEntry> entries;
    BoundingRect rect;
    std::uint32_t list = 0;
    std::unique_ptr<SLeafStats> stats;
    std::uint32_t generation = 0;  // changes when the leaf is split
  };
  struct SStep {
    std::uint32_t list = 0;
    std::uint32_t slot = 0;
  };
  // The two leaves a split made, and what the descent box of each must leave out.
  struct SHalves {
    std::uint32_t first = kNone;
    std::uint32_t second = kNone;
    std::array<BoundingRect, kMaxNodesPerList> later{};  // nodes now before them in their list
    std::size_t laterCount = 0;
  };
  struct SCached {
    std::uint32_t leaf = kNone;
    SDescentBox box;
  };

  std::uint32_t NewList();
  std::uint32_t NewLeaf(const BoundingRect& rect, std::uint32_t list, std::size_t capacity);
  void RetireLeaf(std::uint32_t leaf);
  void Append(std::uint32_t list, const BoundingRect& rect, std::uint32_t node);
  void RemoveSlot(std::uint32_t list, std::size_t slot);
  std::size_t SlotOf(std::uint32_t list, std::uint32_t node) const;

  // The leaf in which the descent ends. POIs sorted along a line (a road, a coast) make the tree
  // hundreds of levels deep where they go; a point in the descent box of one of the last leaves
  // found needs no walk.
  std::uint32_t Locate(GeoPoint p);
  // Finds the leaves of up to kMaxBatch points: from the descent boxes where they tell, otherwise
  // by walking the points level by level side by side, so that the lists of one level are fetched
  // together instead of one after the other.
  void FindLeaves(std::span<const GeoPoint> points, std::span<SFound> found);
  // Asks for the end of a found leaf's entries, where the next insertion writes.
  void Prefetch(const SFound& found) const;
  // The leaf for a point that FindLeaves found before some insertions: the found leaf while it has
  // not been split, since a split elsewhere leaves the descent to it unchanged; otherwise, and for
  // a point found nowhere, that of Locate.
  std::uint32_t Confirm(const SFound& found, GeoPoint p);
  void Insert(std::uint32_t leaf, const SLeafEntry& entry);

  // The descent, step by step into path.
  std::uint32_t Walk(GeoPoint p, std::vector<SStep>& path) const;
  SDescentBox BoxOf(const std::vector<SStep>& path) const;
  bool TakeCached(std::uint32_t leaf, SDescentBox& box);
  void Remember(std::uint32_t leaf, const SDescentBox& box);
  void RememberHalves(const SDescentBox& box, const SHalves& halves);

  void Split(std::uint32_t leaf);
  // One split of the leaf, with list deciding where the halves go; false when it is not cut.
  bool SplitOnce(std::uint32_t list, std::uint32_t leaf, SHalves& halves);
  void PlaceHalves(std::uint32_t list, std::uint32_t leaf, SHalves& halves);

  std::vector<SList> m_lists;
  std::vector<SLeaf> m_leaves;
  std::vector<std::uint32_t> m_retired;  // leaves to use again
  std::array<SCached, 2> m_cache;
  std::uint32_t m_lastDeepLeaf = kNone;  // the leaf of the last point found by a deep walk
  std::vector<SStep> m_path;
  std::vector<std::uint32_t> m_pending;
};

}  // namespace tavi
