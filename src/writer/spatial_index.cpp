#include "writer/spatial_index.h"

#include <utility>
#include <vector>

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

BoundingRect RectOf(const SRectNode& node) {
  return {node.left, node.top, node.right, node.bottom};
}

bool LongitudeInRange(std::int32_t x, std::int32_t west, std::int32_t east) {
  const std::int64_t wrapped = WrappedLongitude(x);
  if (east < kAntimeridian) return west <= wrapped && wrapped <= east;
  return wrapped >= west || wrapped <= std::int64_t{east} - kFullCircle;
}

bool RectContainsPoint(const BoundingRect& rect, const GeoPoint& p) {
  return rect.bottom <= p.y && p.y <= rect.top && LongitudeInRange(p.x, rect.left, rect.right);
}

bool RectContainsPoint(const SRectNode& node, const GeoPoint& p) {
  return RectContainsPoint(RectOf(node), p);
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

void AddElementToLeaf(SRectNode& leaf, std::unique_ptr<CTaviElement> element) {
  if (leaf.elements == nullptr) leaf.elements = std::make_unique<ElementArray>();
  leaf.elements->push_back(std::move(element));
}

void FreeNodeList(SRectNodeList& list) {
  // Each node takes the levels below it apart without recursing.
  for (std::unique_ptr<SRectNode>& node : list.nodes) node.reset();
  list.count = 0;
}

}  // namespace tavi
