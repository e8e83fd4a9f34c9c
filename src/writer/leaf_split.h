#pragma once

#include <cstdint>
#include <span>

#include "model/element_arena.h"
#include "model/geo.h"

namespace tavi {

// One element in a leaf of an index being built: its position, its record, and the bytes its
// element record takes in the file (beyond 2^31 counts as 2^31: such a file cannot be written).
struct SLeafEntry {
  std::int32_t x = 0;
  std::int32_t y = 0;
  CElementArena::Ref record = 0;
  std::uint32_t size = 0;

  GeoPoint Position() const { return {x, y}; }
};

// An insertion tries a split at this many elements; a half just made is split again only above.
inline constexpr std::size_t kLeafSplitThreshold = 32;
// A leaf narrower and lower than this (0.01 degree) is never split.
inline constexpr std::int32_t kMinSplitExtent = 1000;

// Running figures over a leaf's elements, kept only for a leaf that could not be split, so that
// the next insertions into it (all elements on one spot, say) recognise it without a scan.
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

void AddToStats(SLeafStats& stats, const BoundingRect& leaf, GeoPoint p);

// Where a leaf is cut: the mean position of its elements, truncated toward zero.
struct SCut {
  std::int32_t meanX = 0;
  std::int32_t meanY = 0;
};

SCut MeanCut(std::int64_t sumX, std::int64_t sumY, std::size_t count);

// Whether the figures alone show that both axes leave a side empty, so the leaf cannot be cut.
// False does not mean it can: the counting in ChooseAxis decides then.
bool ExtremesShowNoCut(const SLeafStats& stats, const SCut& cut);

enum class ESplitAxis { kWestEast, kNorthSouth };

// Picks the axis that divides the elements more evenly (a tie picks north-south) among those that
// leave neither side empty; false when both leave a side empty.
bool ChooseAxis(const BoundingRect& leaf, std::span<const SLeafEntry> entries, const SCut& cut,
                ESplitAxis& axis);

// The halves: west then east, or north then south; a point on the cut belongs to the first.
void HalfRects(const BoundingRect& leaf, const SCut& cut, ESplitAxis axis, BoundingRect& first,
               BoundingRect& second);

}  // namespace tavi
