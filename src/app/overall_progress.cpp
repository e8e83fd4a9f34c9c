#include "app/overall_progress.h"

#include "platform/convertor_messages.h"

namespace tavi {

int ComputeOverallProgress(int fileCount, std::int32_t filesDone, std::int32_t percent) {
  if (fileCount <= 0) return kProgressMinimum;
  constexpr double kFull = kProgressMaximum;
  const float step = static_cast<float>(kFull / fileCount);
  const double exact =
      static_cast<double>(step) * filesDone + static_cast<double>(step) * percent / kFull;
  const float value = static_cast<float>(exact);
  // The bar clamps its position to its range; clamping first also keeps the truncation defined.
  if (!(value > static_cast<float>(kProgressMinimum))) return kProgressMinimum;
  if (value >= static_cast<float>(kProgressMaximum)) return kProgressMaximum;
  return static_cast<int>(value);
}

}  // namespace tavi
