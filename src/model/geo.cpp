#include "model/geo.h"

#include <cstdio>
#include <cstdlib>

namespace tavi {

std::string FormatDegrees(std::int32_t units) {
  const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(units));
  char text[24];
  std::snprintf(text, sizeof text, "%s%lld.%05lld", units < 0 ? "-" : "",
                static_cast<long long>(magnitude / kUnitsPerDegree),
                static_cast<long long>(magnitude % kUnitsPerDegree));
  return text;
}

}  // namespace tavi
