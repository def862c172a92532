// Page and line steps of every slider, and wheel deltas counted in whole notches.
#include "slider_steps.h"

#include <gtest/gtest.h>

#include "control_values.h"

namespace {

TEST(SliderSteps, AFifthAndAHundredthOfEachRange) {
  EXPECT_EQ(pageStep({IDC_PITCH1, 0, 100000, 75000}), 20000);
  EXPECT_EQ(lineStep({IDC_PITCH1, 0, 100000, 75000}), 1000);
  EXPECT_EQ(pageStep({IDC_LENGTH1, 0, 4000, 3000}), 800);
  EXPECT_EQ(lineStep({IDC_LENGTH1, 0, 4000, 3000}), 40);
  EXPECT_EQ(pageStep({IDC_ZERO, 0, 1000, 1000}), 200);
  EXPECT_EQ(lineStep({IDC_ZERO, 0, 1000, 1000}), 10);
  EXPECT_EQ(pageStep({IDC_SPEED, 0, 10000, 5000}), 2000);
  EXPECT_EQ(lineStep({IDC_SPEED, 0, 10000, 5000}), 100);
}

TEST(SliderSteps, FadesRangeOf3999RoundsUpSoFivePagesCrossIt) {
  // 3999 / 5 = 799.8 and 3999 / 100 = 39.99: cut down, five pages from 1 would stop at 3996.
  EXPECT_EQ(pageStep({IDC_FADE, 1, 4000, 1000}), 800);
  EXPECT_EQ(lineStep({IDC_FADE, 1, 4000, 1000}), 40);
  // A range of 5 is one position a page, of 6 two.
  EXPECT_EQ(pageStep({IDC_FADE, 1, 6, 1}), 1);
  EXPECT_EQ(pageStep({IDC_FADE, 1, 7, 1}), 2);
}

TEST(WheelNotches, WholeNotchesCountAndPartsAddUpUntilTheWheelTurnsBack) {
  int pending = 0;
  EXPECT_EQ(takeWheelNotches(pending, 120), 1);
  EXPECT_EQ(takeWheelNotches(pending, -360), -3);
  EXPECT_EQ(pending, 0);
  // A fine wheel: eight reports of 15 make one notch, the eighth completes it.
  for (int i = 0; i < 7; ++i) EXPECT_EQ(takeWheelNotches(pending, 15), 0) << i;
  EXPECT_EQ(takeWheelNotches(pending, 15), 1);
  EXPECT_EQ(takeWheelNotches(pending, 200), 1);
  EXPECT_EQ(pending, 80);
  // Turning back forgets the 80 that were on their way.
  EXPECT_EQ(takeWheelNotches(pending, -100), 0);
  EXPECT_EQ(takeWheelNotches(pending, -20), -1);
  EXPECT_EQ(pending, 0);
}

}  // namespace
