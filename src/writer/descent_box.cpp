#include "writer/descent_box.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tavi {

namespace {

bool ReachesAntimeridian(const BoundingRect& node) {
  return node.right >= kAntimeridian;
}

// Nodes whose edges cross contain no point at all.
bool ContainsNothing(const BoundingRect& node) {
  return node.bottom > node.top || (!ReachesAntimeridian(node) && node.left > node.right);
}

double Area(const SDescentBox& box) {
  if (box.IsEmpty()) return -1;
  return (static_cast<double>(box.east - box.west) + 1) *
         (static_cast<double>(box.north - box.south) + 1);
}

}  // namespace

SDescentBox SDescentBox::Everywhere() {
  constexpr std::int64_t kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
  return {kLowest, kHighest, kLowest, kHighest};
}

void SDescentBox::Restrict(const BoundingRect& node) {
  if (ReachesAntimeridian(node)) {
    *this = {};
    return;
  }
  west = std::max<std::int64_t>(west, node.left);
  east = std::min<std::int64_t>(east, node.right);
  south = std::max<std::int64_t>(south, node.bottom);
  north = std::min<std::int64_t>(north, node.top);
}

void SDescentBox::Exclude(const BoundingRect& node) {
  if (IsEmpty() || ContainsNothing(node)) return;
  if (ReachesAntimeridian(node)) {
    *this = {};
    return;
  }
  if (node.right < west || node.left > east || node.top < south || node.bottom > north) return;
  std::array<SDescentBox, 4> cuts;
  cuts.fill(*this);
  cuts[0].west = std::int64_t{node.right} + 1;
  cuts[1].east = std::int64_t{node.left} - 1;
  cuts[2].south = std::int64_t{node.top} + 1;
  cuts[3].north = std::int64_t{node.bottom} - 1;
  *this = *std::max_element(
      cuts.begin(), cuts.end(),
      [](const SDescentBox& a, const SDescentBox& b) { return Area(a) < Area(b); });
  if (IsEmpty()) *this = {};
}

}  // namespace tavi
