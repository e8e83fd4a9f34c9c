#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/geo.h"
#include "model/tavi_element.h"

namespace tavi {

struct SRectNodeList;

// Running figures over a leaf's elements, kept as elements arrive, so that a leaf that cannot be
// split is recognised without a scan. They describe the first `count` elements of the array.
// Longitudes are taken as the containment test sees them (east of the antimeridian wrapped to
// the west) and kept apart by whether they lie at or east of the leaf's west edge.
struct SLeafStats {
  std::int64_t sumX = 0;
  std::int64_t sumY = 0;
  // Counts fit 32 bits: a leaf of 2^32 elements would not fit in memory.
  std::uint32_t count = 0;
  std::uint32_t outside = 0;   // elements that the leaf's rectangle does not contain
  std::uint32_t fromLeft = 0;  // elements whose longitude is at or east of the west edge
  std::int32_t minY = 0;
  std::int32_t maxY = 0;
  // Wrapping only ever lowers a longitude, so these fit 32 bits too.
  std::int32_t minFromLeft = 0;
  std::int32_t maxFromLeft = 0;
  std::int32_t minBeforeLeft = 0;
  std::int32_t maxBeforeLeft = 0;
};

// One rectangle of the tree. A leaf holds an element array (possibly empty); an internal node a
// child list.
struct SRectNode {
  std::int32_t left = 1;
  std::int32_t top = -1;
  std::int32_t right = -1;
  std::int32_t bottom = 1;
  std::uint32_t link = 0;     // bit 31 set marks a leaf
  std::uint32_t linkPos = 0;  // where the link field sits in the file being written
  std::unique_ptr<SRectNodeList> children;
  std::unique_ptr<ElementArray> elements;
  SLeafStats stats;

  SRectNode();
  // Takes the lists below apart one by one instead of one destructor call per level.
  ~SRectNode();
  SRectNode(const SRectNode&) = delete;
  SRectNode& operator=(const SRectNode&) = delete;

  bool IsLeaf() const { return (link & kLeafFlag) != 0 || children == nullptr; }

  static constexpr std::uint32_t kLeafFlag = 0x80000000u;
};

// A new leaf over the rectangle, with an empty element array.
std::unique_ptr<SRectNode> MakeLeaf(const BoundingRect& rect);
BoundingRect RectOf(const SRectNode& node);

inline constexpr std::size_t kMaxNodesPerList = 8;

// One level of the tree: nodes[0] to nodes[count - 1] in list order. AppendNode copies each
// node's rectangle into bounds, so that a descent tests the rectangles of a level side by side
// instead of visiting every node; a node's rectangle does not change once it is in a list.
struct SRectNodeList {
  std::uint8_t count = 0;
  std::array<std::unique_ptr<SRectNode>, kMaxNodesPerList> nodes;
  std::array<BoundingRect, kMaxNodesPerList> bounds;
};

// A list under way in a walk of a tree and the index of its next node. Walks keep these on a
// stack of their own rather than calling themselves per level: a tree read from a file may be as
// deep as the file allows, far beyond what a thread's call stack holds.
struct SListCursor {
  SRectNodeList* list = nullptr;
  std::size_t next = 0;
};

// Visits every node below root in depth-first pre-order: visit(node) returns the child list to
// walk before the node's next sibling, or null to go straight on with that sibling.
template <typename Visit>
void WalkPreOrder(SRectNodeList& root, Visit visit) {
  std::vector<SListCursor> open{{&root, 0}};
  while (!open.empty()) {
    SListCursor& top = open.back();
    if (top.next == top.list->count) {
      open.pop_back();
      continue;
    }
    SRectNode& node = *top.list->nodes[top.next++];
    if (SRectNodeList* children = visit(node)) open.push_back({children, 0});
  }
}

// An insertion tries a split at this many elements; a half just made is split again only above.
inline constexpr std::size_t kLeafSplitThreshold = 32;
// A leaf narrower and lower than this (0.01 degree) is never split.
inline constexpr std::int32_t kMinSplitExtent = 1000;

// Elements handed to the save under way (0 when none is under way) and elements handled by its
// current pass; used on the worker thread only.
extern std::int32_t g_nProgressTotal;
extern std::int32_t g_nProgressDone;

// Whether longitude x lies in west..east; an east edge at or beyond the antimeridian wraps.
bool LongitudeInRange(std::int32_t x, std::int32_t west, std::int32_t east);
// The longitude as LongitudeInRange compares it: east of the antimeridian counts from the west.
std::int64_t WrapLongitude(std::int32_t x);
bool RectContainsPoint(const SRectNode& node, const GeoPoint& p);
bool LongitudeRangesOverlap(std::int32_t west1, std::int32_t east1, std::int32_t west2,
                            std::int32_t east2);

// Adds the node at the end of the list; a full list leaves it untouched (and the node is freed).
void AppendNode(SRectNodeList& list, std::unique_ptr<SRectNode> node);
// Takes the node out of the list, keeping the others' order; null when it was not in the list.
std::unique_ptr<SRectNode> RemoveNode(SRectNodeList& list, const SRectNode* node);

struct SLeafLocation {
  SRectNodeList* list = nullptr;
  SRectNode* leaf = nullptr;
  explicit operator bool() const { return leaf != nullptr; }
};

// Follows the first containing node of each level; nothing when a level has none.
SLeafLocation FindLeaf(SRectNodeList* root, const GeoPoint& p);

// Appends an element to a leaf's array and keeps the leaf's running figures up to date.
void AddElementToLeaf(SRectNode& leaf, std::unique_ptr<CTaviElement> element);
// The same for an element whose position the caller has at hand.
void AddElementToLeaf(SRectNode& leaf, std::unique_ptr<CTaviElement> element, GeoPoint position);

// Cuts the leaf at the mean position of its elements; list is the one FindLeaf found it in.
void SplitLeaf(SRectNodeList& list, SRectNode& leaf);

// Frees everything below the list and every element in it, reporting progress from 80 to 100
// while a save is under way. The list itself stays, empty.
void FreeNodeList(SRectNodeList& list);

}  // namespace tavi
