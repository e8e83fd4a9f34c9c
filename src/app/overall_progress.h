#pragma once

#include <cstdint>

namespace tavi {

// Position of the overall progress bar (range 0..100) while file filesDone + 1 of fileCount is at
// percent of its own work. The step per file is kept in single precision and the sum is rounded
// to single precision before it is truncated, so that the bar moves exactly as the window's does:
// with three files it reads 0, 16, 33 during the first and 66, 83, 100 during the last.
// A list without files, or a value outside the bar's range, gives the nearest end of the range.
int ComputeOverallProgress(int fileCount, std::int32_t filesDone, std::int32_t percent);

}  // namespace tavi
