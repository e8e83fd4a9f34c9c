#include "app/overall_progress.h"

#include <gtest/gtest.h>

namespace tavi {
namespace {

// The three-file example is in the dialog's tests. One file: the percentage itself. 7 files: the
// step is 14.2857141, and 14.2857141 * 99 / 100 = 14.1428570. A file skipped for its ending counts
// as done. Nothing to show, or a value off the bar, ends at the nearest end.
TEST(OverallProgressTest, MatchesTheBar) {
  const std::int32_t cases[][4] = {{1, 0, 0, 0},   {1, 0, 37, 37},         {1, 0, 100, 100},
                                   {7, 0, 99, 14}, {7, 6, 100, 100},       {2, 1, 0, 50},
                                   {0, 0, 50, 0},  {-1, 0, 50, 0},         {2, 0, -40, 0},
                                   {2, 5, 0, 100}, {1, 0, 2147483647, 100}};
  for (const auto& [fileCount, filesDone, percent, bar] : cases) {
    EXPECT_EQ(ComputeOverallProgress(fileCount, filesDone, percent), bar)
        << fileCount << " " << filesDone << " " << percent;
  }
}

}  // namespace
}  // namespace tavi
