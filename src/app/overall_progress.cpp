#include "app/overall_progress.h"

namespace tavi {

namespace {

constexpr int kProgressMinimum = 0;
constexpr int kProgressMaximum = 100;

}  // namespace

int ComputeOverallProgress(int fileCount, std::int32_t filesDone, std::int32_t percent) {
  if (fileCount <= 0) return kProgressMinimum;
  const float step = static_cast<float>(100.0 / fileCount);
  const double exact =
      static_cast<double>(step) * filesDone + static_cast<double>(step) * percent / 100.0;
  const float value = static_cast<float>(exact);
  // The bar clamps its position to its range; clamping first also keeps the truncation defined.
  if (!(value > static_cast<float>(kProgressMinimum))) return kProgressMinimum;
  if (value >= static_cast<float>(kProgressMaximum)) return kProgressMaximum;
  return static_cast<int>(value);
}

}  // namespace tavi
