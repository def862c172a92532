// The sound view's geometry worked out by hand: overview columns and the marks of a view.
#include "sound_view.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<float> lows(const std::vector<ColumnRange>& columns) {
  std::vector<float> out;
  for (const ColumnRange& c : columns) out.push_back(c.low);
  return out;
}

std::vector<float> highs(const std::vector<ColumnRange>& columns) {
  std::vector<float> out;
  for (const ColumnRange& c : columns) out.push_back(c.high);
  return out;
}

Granulator::View viewAt(double location, float spread, double posA, double posB) {
  Granulator::View v{};
  v.frameCount = 1000;
  v.spread = spread;
  v.location = location;
  v.posA = posA;
  v.posB = posB;
  v.gainA = 1.0f;
  v.gainB = 0.0f;
  return v;
}

}  // namespace

TEST(WaveOverview, TenFramesInFourColumnsSplitAtFramesTwoFiveAndSeven) {
  const std::vector<float> s = {0.1f, -0.2f, 0.3f, 0.05f, -0.5f, 0.4f, 0.0f, -0.1f, 0.9f, -0.9f};
  const std::vector<ColumnRange> c = overviewColumns(s.data(), 10, 4);
  EXPECT_EQ(lows(c), (std::vector<float>{-0.2f, -0.5f, 0.0f, -0.9f}));
  EXPECT_EQ(highs(c), (std::vector<float>{0.1f, 0.3f, 0.4f, 0.9f}));
}

TEST(WaveOverview, ASoundShorterThanTheStripRepeatsItsFrames) {
  // Columns start at frames 0, 0, 1, 1, 2 (c * 3 / 5 rounded down).
  const std::vector<float> s = {0.5f, -0.25f, 1.0f};
  const std::vector<ColumnRange> c = overviewColumns(s.data(), 3, 5);
  EXPECT_EQ(lows(c), (std::vector<float>{0.5f, 0.5f, -0.25f, -0.25f, 1.0f}));
  EXPECT_EQ(highs(c), lows(c));
  EXPECT_TRUE(overviewColumns(nullptr, 3, 5).empty());
  EXPECT_TRUE(overviewColumns(s.data(), 3, 0).empty());
}

TEST(WaveOverview, ColumnsOfALongSoundSplitWhereTheProductPasses2To31) {
  // 5 000 000 frames in 1000 columns: frame 2 500 000 opens column 500 and frame 4 999 999 is the
  // last of column 999; c * n overflows 32 bits from column 430 on.
  std::vector<float> s(5000000, 0.0f);
  s[2499999] = 0.5f;
  s[2500000] = 1.0f;
  s[4999999] = 0.75f;
  const std::vector<ColumnRange> c = overviewColumns(s.data(), 5000000, 1000);
  ASSERT_EQ(c.size(), 1000u);
  EXPECT_EQ(c[499].high, 0.5f);
  EXPECT_EQ(c[500].high, 1.0f);
  EXPECT_EQ(c[998].high, 0.0f);
  EXPECT_EQ(c[999].high, 0.75f);
}

TEST(StripMarks, PlacesEveryMarkInTheColumnItsFrameFallsIn) {
  // 1000 frames over 400 pixels: 0.4 px per frame. A spread of 1 % is a 10-frame window.
  Granulator::View v = viewAt(500.0, 0.01f, 250.9, 999.0);
  v.gainA = 0.7939039f;
  v.gainB = 0.2060961f;
  const StripMarks m = marksOf(v, 400, 60);
  EXPECT_EQ(m.locationX, 200);
  EXPECT_EQ(m.windowLeft, 198);                     // 495 * 0.4
  EXPECT_EQ(m.windowRight, 202);                    // 505 * 0.4
  EXPECT_EQ(m.headAX, 100);                         // 100.36
  EXPECT_EQ(m.headBX, 399);                         // 399.6
  EXPECT_EQ(m.headAHeight, 48);                     // 47.63 of 60
  EXPECT_EQ(m.headBHeight, 12);                     // 12.37
  EXPECT_EQ(marksOf(v, 400, 100).headBHeight, 21);  // 20.61
}

TEST(StripMarks, AWindowAtTheStartRunsPastTheLeftEdgeAndOneInsideAColumnStillCoversIt) {
  // From frame -3 to 7: -1.2 px to 2.8 px, so columns -2 to 3.
  const StripMarks edge = marksOf(viewAt(2.0, 0.01f, 0.0, 0.0), 400, 90);
  EXPECT_EQ(edge.windowLeft, -2);
  EXPECT_EQ(edge.windowRight, 3);
  // Frames 501 to 503 at 0.4 px: 200.4 to 201.2, columns 200 up to 202.
  const StripMarks narrow = marksOf(viewAt(502.0, 0.002f, 0.0, 0.0), 400, 90);
  EXPECT_EQ(narrow.windowLeft, 200);
  EXPECT_EQ(narrow.windowRight, 202);
  // No spread, no window, though 200.8 px lies inside a column.
  const StripMarks none = marksOf(viewAt(502.0, 0.0f, 0.0, 0.0), 400, 90);
  EXPECT_EQ(none.windowLeft, none.windowRight);
}

TEST(StripMarks, AreEqualOnlyWhenNothingMovesByAPixel) {
  // Location 200.2 px, window 198.2 to 202.2, heads at 100 and 40.
  const StripMarks a = marksOf(viewAt(500.5, 0.01f, 250.0, 100.0), 400, 90);
  // Location 200.4 px, window 198.4 to 202.4, heads at 100.4 and 40.4.
  EXPECT_EQ(a, marksOf(viewAt(501.0, 0.01f, 251.0, 101.0), 400, 90));
  EXPECT_NE(a, marksOf(viewAt(500.5, 0.01f, 252.5, 100.0), 400, 90));  // head A to 101
  EXPECT_NE(a, marksOf(viewAt(500.5, 0.01f, 250.0, 102.5), 400, 90));  // head B to 41
  Granulator::View quieter = viewAt(500.5, 0.01f, 250.0, 100.0);
  quieter.gainA = 0.99f;  // 89.1 px
  EXPECT_NE(a, marksOf(quieter, 400, 90));
}
