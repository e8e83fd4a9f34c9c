#include "writer/leaf_split.h"

#include <algorithm>
#include <cstdlib>

#include "writer/list_bounds.h"
#include "writer/spatial_index.h"

namespace tavi {

namespace {

void Extend(std::int32_t value, bool first, std::int32_t& low, std::int32_t& high) {
  low = first ? value : std::min(low, value);
  high = first ? value : std::max(high, value);
}

}  // namespace

void AddToStats(SLeafStats& stats, const BoundingRect& leaf, GeoPoint p) {
  stats.minY = stats.count == 0 ? p.y : std::min(stats.minY, p.y);
  stats.maxY = stats.count == 0 ? p.y : std::max(stats.maxY, p.y);
  stats.sumX += p.x;
  stats.sumY += p.y;
  if (!RectContainsPoint(leaf, p)) ++stats.outside;
  const std::int32_t x = WrappedLongitude(p.x);
  const std::uint32_t beforeLeft = stats.count - stats.fromLeft;
  if (x >= leaf.left) {
    Extend(x, stats.fromLeft == 0, stats.minFromLeft, stats.maxFromLeft);
    ++stats.fromLeft;
  } else {
    Extend(x, beforeLeft == 0, stats.minBeforeLeft, stats.maxBeforeLeft);
  }
  ++stats.count;
}

SCut MeanCut(std::int64_t sumX, std::int64_t sumY, std::size_t count) {
  const auto n = static_cast<std::int64_t>(count);
  return {static_cast<std::int32_t>(sumX / n), static_cast<std::int32_t>(sumY / n)};
}

// When the leaf contains all its elements, the northern half holds those with y >= meanY, and the
// western half those from the west edge up to meanX, plus, when meanX reaches past the
// antimeridian, the wrapped ones up to meanX - 360 degrees.
bool ExtremesShowNoCut(const SLeafStats& s, const SCut& cut) {
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

bool ChooseAxis(const BoundingRect& leaf, std::span<const SLeafEntry> entries, const SCut& cut,
                ESplitAxis& axis) {
  const BoundingRect west{leaf.left, leaf.top, cut.meanX, leaf.bottom};
  const BoundingRect north{leaf.left, leaf.top, leaf.right, cut.meanY};
  std::int64_t w = 0;
  std::int64_t n = 0;
  for (const SLeafEntry& entry : entries) {
    if (RectContainsPoint(west, entry.Position())) ++w;
    if (RectContainsPoint(north, entry.Position())) ++n;
  }
  const auto total = static_cast<std::int64_t>(entries.size());
  const std::int64_t e = total - w;
  const std::int64_t s = total - n;
  const bool westEastUsable = w != 0 && e != 0;
  const bool northSouthUsable = n != 0 && s != 0;
  axis = std::abs(e - w) < std::abs(n - s) ? ESplitAxis::kWestEast : ESplitAxis::kNorthSouth;
  if (axis == ESplitAxis::kWestEast && !westEastUsable) {
    axis = ESplitAxis::kNorthSouth;
  } else if (axis == ESplitAxis::kNorthSouth && !northSouthUsable) {
    axis = ESplitAxis::kWestEast;
  }
  return westEastUsable || northSouthUsable;
}

void HalfRects(const BoundingRect& leaf, const SCut& cut, ESplitAxis axis, BoundingRect& first,
               BoundingRect& second) {
  first = leaf;
  second = leaf;
  if (axis == ESplitAxis::kWestEast) {
    first.right = cut.meanX;
    second.left = cut.meanX;
  } else {
    first.bottom = cut.meanY;
    second.top = cut.meanY;
  }
}

}  // namespace tavi
