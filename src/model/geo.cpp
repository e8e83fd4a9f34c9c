#include "model/geo.h"

#include <cstdio>
#include <cstdlib>

namespace tavi {

// Out of line on purpose: where GCC 12 vectorises two of these conversions side by side (a
// longitude and a latitude), it drops the narrowing to float and stores 13.4 as 1340000 rather
// than 1339999. A call per coordinate leaves it nothing to pair.
std::int32_t DegreesToUnits(double degrees) {
  const float narrowed = static_cast<float>(degrees);
  return static_cast<std::int32_t>(static_cast<double>(narrowed) * kUnitsPerDegree);
}

std::string FormatDegrees(std::int32_t units) {
  const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(units));
  char text[24];
  std::snprintf(text, sizeof text, "%s%lld.%05lld", units < 0 ? "-" : "",
                static_cast<long long>(magnitude / kUnitsPerDegree),
                static_cast<long long>(magnitude % kUnitsPerDegree));
  return text;
}

}  // namespace tavi
