#include "app/overall_progress.h"

#include <gtest/gtest.h>

namespace tavi {
namespace {

// The three-file example is in the dialog's tests.
TEST(OverallProgressTest, MatchesTheBar) {
  const struct {
    int fileCount;
    std::int32_t filesDone, percent;
    int bar;
  } cases[] = {{1, 0, 0, 0},
               {1, 0, 37, 37},
               {1, 0, 100, 100},  // one file: the percentage itself
               // 7 files: step 14.2857141; 14.2857141 * 99 / 100 = 14.1428570.
               {7, 0, 99, 14},
               {7, 6, 100, 100},
               {2, 1, 0, 50},  // a file skipped for its ending counts as done
               // Nothing to show, or a value off the bar, ends at the nearest end.
               {0, 0, 50, 0},
               {-1, 0, 50, 0},
               {2, 0, -40, 0},
               {2, 5, 0, 100},
               {1, 0, 2147483647, 100}};
  for (const auto& c : cases) {
    EXPECT_EQ(ComputeOverallProgress(c.fileCount, c.filesDone, c.percent), c.bar)
        << c.fileCount << " " << c.filesDone << " " << c.percent;
  }
}

}  // namespace
}  // namespace tavi
