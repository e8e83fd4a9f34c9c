#include "import/bounds.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tavi {

namespace {

constexpr std::int64_t kFullTurn = kFullCircle;
constexpr std::int64_t kHalfTurn = kAntimeridian;
constexpr std::int64_t kLatitudeTurn = 2 * std::int64_t{kMaxLatitude};
constexpr std::int64_t kLatitudeLimit = kMaxLatitude;

// The sums below can leave the int32 range (an east edge near the top of the range moved one turn
// east), so the arithmetic runs on 64-bit values and is narrowed once at the end.
struct WideRect {
  std::int64_t left;
  std::int64_t top;
  std::int64_t right;
  std::int64_t bottom;
};

WideRect Widen(const BoundingRect& bounds) {
  return {bounds.left, bounds.top, bounds.right, bounds.bottom};
}

std::int32_t Saturate(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

BoundingRect Narrow(const WideRect& wide) {
  return {Saturate(wide.left), Saturate(wide.top), Saturate(wide.right), Saturate(wide.bottom)};
}

void Normalize(WideRect& r) {
  while (r.left < -kHalfTurn) {
    r.left += kFullTurn;
    r.right += kFullTurn;
  }
  while (r.left > kHalfTurn) {
    r.left -= kFullTurn;
    r.right -= kFullTurn;
  }
  while (r.bottom < -kLatitudeLimit) {
    r.bottom += kLatitudeTurn;
    r.top += kLatitudeTurn;
  }
  while (r.bottom > kLatitudeLimit) {
    r.bottom -= kLatitudeTurn;
    r.top -= kLatitudeTurn;
  }
  r.top = std::clamp(r.top, -kLatitudeLimit, kLatitudeLimit);
  r.bottom = std::clamp(r.bottom, -kLatitudeLimit, kLatitudeLimit);
}

void Include(WideRect& r, std::int64_t x, std::int64_t y) {
  r.left = std::min(r.left, x);
  r.right = std::max(r.right, x);
  r.bottom = std::min(r.bottom, y);
  r.top = std::max(r.top, y);
}

std::int64_t Distance(std::int64_t a, std::int64_t b) {
  return a > b ? a - b : b - a;
}

}  // namespace

void NormalizeBounds(BoundingRect& bounds) {
  WideRect wide = Widen(bounds);
  Normalize(wide);
  bounds = Narrow(wide);
}

void IncludePoint(BoundingRect& bounds, GeoPoint point) {
  if (bounds.IsEmpty()) {
    bounds = {point.x, point.y, point.x, point.y};
    return;
  }
  WideRect wide = Widen(bounds);
  Include(wide, point.x, point.y);
  Normalize(wide);
  bounds = Narrow(wide);
}

void IncludePointNearCentre(BoundingRect& bounds, GeoPoint point) {
  NormalizeBounds(bounds);
  WideRect wide = Widen(bounds);
  const std::int64_t centre = wide.left + (wide.right - wide.left) / 2;
  std::int64_t x = point.x;
  if (Distance(x + kFullTurn, centre) < Distance(x, centre)) x += kFullTurn;
  if (Distance(x - kFullTurn, centre) < Distance(x, centre)) x -= kFullTurn;
  Include(wide, x, point.y);
  Normalize(wide);
  bounds = Narrow(wide);
}

}  // namespace tavi
