#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "model/geo.h"
#include "model/tavi_element.h"
#include "writer/list_bounds.h"

namespace tavi {

struct SRectNodeList;

// One rectangle of the tree. A leaf holds an element array (possibly empty); an internal node a
// child list.
struct SRectNode {
  std::int32_t left = 1;
  std::int32_t top = -1;
  std::int32_t right = -1;
  std::int32_t bottom = 1;
  std::uint32_t link = 0;  // bit 31 set marks a leaf
  std::unique_ptr<SRectNodeList> children;
  std::unique_ptr<ElementArray> elements;

  SRectNode();
  // Takes the lists below apart one by one instead of one destructor call per level.
  ~SRectNode();
  SRectNode(const SRectNode&) = delete;
  SRectNode& operator=(const SRectNode&) = delete;

  bool IsLeaf() const { return (link & kLeafFlag) != 0 || children == nullptr; }

  static constexpr std::uint32_t kLeafFlag = 0x80000000u;
};

BoundingRect RectOf(const SRectNode& node);

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

// Elements handed to the save under way (0 when none is under way) and elements handled by its
// current pass; used on the worker thread only.
extern std::int32_t g_nProgressTotal;
extern std::int32_t g_nProgressDone;

// Whether longitude x lies in west..east; an east edge at or beyond the antimeridian wraps.
bool LongitudeInRange(std::int32_t x, std::int32_t west, std::int32_t east);
bool RectContainsPoint(const SRectNode& node, const GeoPoint& p);
bool RectContainsPoint(const BoundingRect& rect, const GeoPoint& p);
bool LongitudeRangesOverlap(std::int32_t west1, std::int32_t east1, std::int32_t west2,
                            std::int32_t east2);

// Adds the node at the end of the list; a full list leaves it untouched (and the node is freed).
void AppendNode(SRectNodeList& list, std::unique_ptr<SRectNode> node);
// Appends an element to a leaf's array, creating the array for a leaf without one.
void AddElementToLeaf(SRectNode& leaf, std::unique_ptr<CTaviElement> element);

// Frees everything below the list and every element in it. The list itself stays, empty.
void FreeNodeList(SRectNodeList& list);

}  // namespace tavi
