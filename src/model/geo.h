#pragma once

#include <cstdint>
#include <string>

namespace tavi {

// A position in hundred-thousandths of a degree: x is the longitude, y the latitude.
struct GeoPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

// Positions are counted in hundred-thousandths of a degree.
inline constexpr std::int32_t kUnitsPerDegree = 100000;
inline constexpr std::int32_t kAntimeridian = 180 * kUnitsPerDegree;
inline constexpr std::int32_t kFullCircle = 360 * kUnitsPerDegree;
inline constexpr std::int32_t kMaxLatitude = 90 * kUnitsPerDegree;

// Marks a missing position.
inline constexpr GeoPoint kNoPosition{-999999999, -999999999};

// Whether p lies on the globe: longitude -180..180 and latitude -90..90 degrees, edges included.
// kNoPosition does not.
constexpr bool IsOnGlobe(GeoPoint p) {
  return -kAntimeridian <= p.x && p.x <= kAntimeridian && -kMaxLatitude <= p.y &&
         p.y <= kMaxLatitude;
}

// Degrees in units as positions have always been stored: narrowed to the nearest float, scaled
// in double precision and truncated toward zero (16.36546 becomes 1636545). For degrees on the
// globe; further out the result is undefined.
std::int32_t DegreesToUnits(double degrees);

// A coordinate in degrees with all five decimals its unit has: -12.50000 for -1250000.
std::string FormatDegrees(std::int32_t units);

// Bounding rectangle in the units of GeoPoint: left is the west edge (smallest longitude), top the
// north edge (largest latitude), right the east edge, bottom the south edge. A default rectangle
// is empty: it is empty while left > right or bottom > top.
struct BoundingRect {
  std::int32_t left = 1;
  std::int32_t top = -1;
  std::int32_t right = -1;
  std::int32_t bottom = 1;
  bool IsEmpty() const { return left > right || bottom > top; }
  friend bool operator==(const BoundingRect&, const BoundingRect&) = default;
};

}  // namespace tavi
