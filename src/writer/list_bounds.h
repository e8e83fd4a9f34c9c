#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/geo.h"

namespace tavi {

inline constexpr std::size_t kMaxNodesPerList = 8;

// The longitude as the containment test compares it: east of the antimeridian counts from the
// west, so 181 degrees is -179.
constexpr std::int32_t WrappedLongitude(std::int32_t x) {
  return x > kAntimeridian ? x - kFullCircle : x;
}

// The rectangles of one index list, each field of all eight side by side, so that one test
// answers for the whole list which nodes contain a point. A node's longitudes are one or two
// ranges of wrapped longitudes: a node whose east edge reaches the antimeridian holds those from
// its west edge on and those up to its east edge less a full circle. An unused slot contains
// nothing.
struct alignas(16) SListBounds {
  std::array<std::int32_t, kMaxNodesPerList> bottom;
  std::array<std::int32_t, kMaxNodesPerList> top;
  std::array<std::int32_t, kMaxNodesPerList> west;
  std::array<std::int32_t, kMaxNodesPerList> east;
  std::array<std::int32_t, kMaxNodesPerList> wrapWest;
  std::array<std::int32_t, kMaxNodesPerList> wrapEast;

  SListBounds();
  void Set(std::size_t slot, const BoundingRect& rect);
  void Clear(std::size_t slot);
};

// Bit i is set when node i contains the point; wrappedX as WrappedLongitude gives it. Edges are
// inclusive. Uses SSE2 where the machine has it.
unsigned ContainingNodes(const SListBounds& bounds, std::int32_t wrappedX, std::int32_t y);
// The same, one node after the other: the fallback without SSE2.
unsigned ContainingNodesOneByOne(const SListBounds& bounds, std::int32_t wrappedX, std::int32_t y);

}  // namespace tavi
