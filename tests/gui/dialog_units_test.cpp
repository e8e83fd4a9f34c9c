#include "gui/dialog_units.h"

#include <gtest/gtest.h>

namespace tavi {
namespace {

// A font whose 52 letters are 307 pixels wide and whose height is 13 pixels averages 6 pixels a
// letter: 307 / 26 = 11 for two letters, (11 + 1) / 2 = 6.
constexpr SDialogBaseUnits kSixByThirteen = {6, 13};

TEST(DialogUnitsTest, AverageLetterWidthIsRoundedFromTheWidthOfAllLetters) {
  EXPECT_EQ(DialogBaseUnitsFromAdvance(307, 13).cx, 6);
  EXPECT_EQ(DialogBaseUnitsFromAdvance(307, 13).cy, 13);
  // 286 / 26 = 11 for two letters: the average 5.5 rounds up to 6. 285 / 26 = 10: 5.48 gives 5.
  EXPECT_EQ(DialogBaseUnitsFromAdvance(286, 13).cx, 6);
  EXPECT_EQ(DialogBaseUnitsFromAdvance(285, 13).cx, 5);
}

// Corners are scaled, rounding half away from zero, so that the size follows them.
TEST(DialogUnitsTest, CornersAreScaledSoTheSizeFollowsThem) {
  // The whole window of the template: 355 × 219 units, 532.5 -> 533 by 355.875 -> 356.
  EXPECT_EQ(MapDialogRect(kSixByThirteen, 0, 0, 355, 219), QRect(0, 0, 533, 356));
  // The "Convert to TAVI" button: 275, 7, 73 × 30 units. Left 412.5 -> 413, right 348 × 1.5 = 522,
  // top 11.375 -> 11, bottom 37 × 13 / 8 = 60.125 -> 60.
  EXPECT_EQ(MapDialogRect(kSixByThirteen, 275, 7, 73, 30), QRect(413, 11, 109, 49));
  // The log list: 7, 111, 341 × 81. Left 10.5 -> 11, right 348 -> 522, top 180.375 -> 180,
  // bottom 192 × 13 / 8 = 312.
  EXPECT_EQ(MapDialogRect(kSixByThirteen, 7, 111, 341, 81), QRect(11, 180, 511, 132));
}

}  // namespace
}  // namespace tavi
