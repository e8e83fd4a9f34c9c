#include "app/overall_progress.h"

#include <gtest/gtest.h>

namespace tavi {
namespace {

struct ProgressCase {
  int fileCount;
  std::int32_t filesDone;
  std::int32_t percent;
  int expected;
};

class OverallProgressTest : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(OverallProgressTest, MatchesTheBar) {
  const ProgressCase& c = GetParam();
  EXPECT_EQ(ComputeOverallProgress(c.fileCount, c.filesDone, c.percent), c.expected);
}

// Worked out by hand: with 3 files the step is the float nearest 100/3, 8738133 * 2^-18 =
// 33.33333206. Two steps are 66.66666412; three steps are 26214399 * 2^-18, which lies exactly
// halfway between the floats 99.9999924 and 100 and rounds to the even one, 100.
INSTANTIATE_TEST_SUITE_P(
    Values, OverallProgressTest,
    ::testing::Values(
        ProgressCase{3, 0, 0, 0}, ProgressCase{3, 0, 50, 16}, ProgressCase{3, 0, 100, 33},
        ProgressCase{3, 1, 0, 33}, ProgressCase{3, 2, 0, 66}, ProgressCase{3, 2, 50, 83},
        ProgressCase{3, 2, 100, 100},
        // One file: the percentage itself.
        ProgressCase{1, 0, 0, 0}, ProgressCase{1, 0, 37, 37}, ProgressCase{1, 0, 100, 100},
        // 7 files: step 14.2857141; 14.2857141 * 99 / 100 = 14.1428570.
        ProgressCase{7, 0, 99, 14}, ProgressCase{7, 6, 100, 100},
        // A file skipped for its ending counts as done: the next file starts a band on.
        ProgressCase{2, 1, 0, 50},
        // Nothing to show, or a value off the bar, ends at the nearest end.
        ProgressCase{0, 0, 50, 0}, ProgressCase{-1, 0, 50, 0}, ProgressCase{2, 0, -40, 0},
        ProgressCase{2, 5, 0, 100}, ProgressCase{1, 0, 2147483647, 100}));

}  // namespace
}  // namespace tavi
