#pragma once

#include <cstdint>

#include "model/geo.h"

namespace tavi {

// A box of points whose descent through the index (the first containing node of each level) is
// known to end in one leaf: it lies inside every node of the path to the leaf and outside every
// node that comes before a node of that path in its list. Coordinates are longitudes as the
// containment test wraps them, and latitudes; edges are inclusive, as points have whole
// coordinates. A node that reaches the antimeridian contains two ranges of longitudes, which no
// box follows: it leaves the box empty, and points there take the walk.
struct SDescentBox {
  std::int64_t west = 1;
  std::int64_t east = 0;
  std::int64_t south = 1;
  std::int64_t north = 0;

  static SDescentBox Everywhere();
  bool IsEmpty() const { return west > east || south > north; }
  bool Contains(std::int32_t wrappedX, std::int32_t y) const {
    return west <= wrappedX && wrappedX <= east && south <= y && y <= north;
  }
  // Keeps the part inside a node on the path.
  void Restrict(const BoundingRect& node);
  // Cuts away what an earlier node contains, from the side that keeps the most of the box.
  void Exclude(const BoundingRect& node);
};

}  // namespace tavi
