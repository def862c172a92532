// The controls logic against a fake exchange and a real engine.
#include "panel_controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "fake_exchange.h"
#include "granulator.h"

namespace {

using Log = std::vector<std::string>;

struct Panel {
  Panel() {
    setStartupPositions(exchange.shown);
    granulator.prepare(silence.data(), static_cast<int>(silence.size()), 16);
  }
  // The engine takes a new pitch range on its next sample, so the bounds are read after one.
  void takePitch() { granulator.nextSample(); }

  std::vector<float> silence = std::vector<float>(4096, 0.0f);
  Granulator granulator;
  FakeExchange exchange;
  PanelControls controls{granulator, exchange};
};

auto tie(const ControlValues& v) {
  return std::tie(v.m_length2, v.m_length1, v.m_zero, v.m_pitch1, v.m_pitch2, v.m_pitchWalk,
                  v.m_method, v.m_speed, v.m_spread, v.m_fade, v.m_linkLength, v.m_linkPitch);
}

ControlValues movedValues() {
  ControlValues v;
  v.m_length2 = 100;
  v.m_length1 = 200;
  v.m_zero = 300;
  v.m_pitch1 = 400;
  v.m_pitch2 = 500;
  v.m_pitchWalk = 600;
  v.m_method = 1;
  v.m_speed = 700;
  v.m_spread = 800;
  v.m_fade = 900;
  v.m_linkLength = 0;
  v.m_linkPitch = 0;
  return v;
}
const ControlValues kMoved = movedValues();

// The odd positions tell a float constant apart from the same decimal held as a double.
TEST(ControlMapping, EverySliderGivesItsTableValuesAndFloatConstantsAreMultipliedInDouble) {
  EXPECT_EQ(lengthEnd(0), 4000);
  EXPECT_EQ(lengthEnd(4000), 0);
  EXPECT_EQ(zeroChance(0), 1.0f);
  EXPECT_EQ(zeroChance(1000), 0.0f);
  EXPECT_EQ(pitchRate(0), -2.0f);
  EXPECT_EQ(pitchRate(2), -0x1.fffacp+0f);
  EXPECT_EQ(pitchRate(50000), 0.0f);
  EXPECT_EQ(pitchRate(50007), 0x1.2599ecp-12f);
  EXPECT_EQ(pitchRate(75000), 1.0f);
  EXPECT_EQ(pitchRate(100000), 2.0f);
  EXPECT_EQ(walkScale(59), 0x1.eeed88p-15f);
  EXPECT_EQ(walkScale(10000), 0x1.47ae14p-7f);
  EXPECT_EQ(spreadFraction(29), 0x1.95730ap-12f);
  EXPECT_EQ(spreadFraction(1000), 0x1.b4e81cp-7f);
  EXPECT_EQ(locationSpeed(3), 0x1.3a92a2p-11f);
  EXPECT_EQ(locationSpeed(10000), 2.0f);
}

TEST(PanelControls, UnlinkedSlidersMoveIndependentlyWithoutAWrite) {
  Panel panel;
  panel.exchange.shown = kMoved;
  panel.controls.OnCustomdrawLength2();
  panel.controls.OnCustomdrawPitch1();
  panel.takePitch();
  EXPECT_EQ(panel.exchange.log, (Log{"read", "read"}));
  EXPECT_EQ(panel.granulator.inspect().lenMin, 3800);
  EXPECT_EQ(panel.granulator.inspect().lenRange, 100);
  // (400 - 50000) and (500 - 50000) times the float 0.00004, each rounded once.
  EXPECT_EQ(panel.granulator.inspect().pitchMin, -0x1.fbe76cp+0f);
  EXPECT_EQ(panel.granulator.inspect().pitchMax, -0x1.fae146p+0f);
  EXPECT_GT(panel.granulator.inspect().walkStep, 0.0f);
  panel.exchange.shown.m_pitchWalk = 0;
  panel.controls.OnCustomdrawPitchWalk();
  panel.takePitch();
  EXPECT_EQ(panel.granulator.inspect().walkStep, 0.0f);
}

// The partner's thumb is moved before the range is set.
TEST(PanelControls, LinkedLengthMakesTheMovedSliderTheLeader) {
  Panel panel;
  panel.exchange.shown.m_linkLength = 1;
  panel.exchange.shown.m_length1 = 3500;
  panel.exchange.shown.m_length2 = 1000;
  int lenMinAtWrite = -1;
  panel.exchange.onWrite = [&] { lenMinAtWrite = panel.granulator.inspect().lenMin; };
  panel.granulator.setLengthRange(7, 7);

  panel.controls.OnCustomdrawLength2();
  EXPECT_EQ(panel.exchange.log, (Log{"read", "write"}));
  EXPECT_EQ(lenMinAtWrite, 7);
  EXPECT_EQ(panel.exchange.shown.m_length1, 1000);
  EXPECT_EQ(panel.granulator.inspect().lenMin, 3000);
  EXPECT_EQ(panel.granulator.inspect().lenRange, 0);

  panel.exchange.shown.m_length1 = 200;
  panel.controls.OnCustomdrawLength1();
  EXPECT_EQ(lenMinAtWrite, 3000);
  EXPECT_EQ(panel.exchange.shown.m_length2, 200);
  EXPECT_EQ(panel.granulator.inspect().lenMin, 3800);
}

// The engine takes the single rate before the partner's thumb moves; with one rate the walk
// slider changes nothing in the rates.
TEST(PanelControls, LinkedPitchSetsOneRateAndSilencesTheWalk) {
  Panel panel;
  panel.exchange.shown.m_linkPitch = 1;
  panel.exchange.shown.m_pitch1 = 75000;
  panel.exchange.shown.m_pitch2 = 0;
  panel.exchange.shown.m_pitchWalk = 10000;
  float maxAtWrite = 0.0f;
  panel.exchange.onWrite = [&] {
    panel.takePitch();
    maxAtWrite = panel.granulator.inspect().pitchMax;
  };

  panel.controls.OnCustomdrawPitch2();
  EXPECT_EQ(panel.exchange.log, (Log{"read", "write"}));
  EXPECT_EQ(maxAtWrite, -2.0f);
  EXPECT_EQ(panel.exchange.shown.m_pitch1, 0);

  panel.exchange.shown.m_pitch1 = 75000;
  panel.controls.OnCustomdrawPitch1();
  EXPECT_EQ(panel.exchange.shown.m_pitch2, 75000);
  panel.controls.OnCustomdrawPitchWalk();
  panel.takePitch();
  EXPECT_EQ(panel.granulator.inspect().walkStep, 0.0f);
  EXPECT_EQ(panel.granulator.inspect().rateA, 1.0f);
}

TEST(PanelControls, SingleSliderHandlersAndMethodReadThenApplyOnlyTheirOwn) {
  Panel panel;
  panel.exchange.shown = kMoved;
  // Position 625: a chance of 375 x 0.001f = 0.37500000178 rounded to the float just above
  // 0.375, so (1 - p) x 32768 falls just short of 20480. With 0.001 as a double, or 1 - p
  // rounded to a float, it would be 20480.
  panel.exchange.shown.m_zero = 625;
  panel.controls.OnCustomdrawZero();
  EXPECT_EQ(panel.granulator.inspect().zeroThreshold, 20479);
  panel.controls.OnCustomdrawLocation();
  EXPECT_EQ(panel.granulator.inspect().spread, 0x1.5d867cp-7f);  // 800 / 75000
  EXPECT_EQ(panel.granulator.inspect().speed, 0x1.1eb852p-3f);   // 700 x 0.0002
  panel.controls.OnCustomdrawFade();
  EXPECT_EQ(panel.granulator.inspect().fadeLength, 16);
  panel.controls.OnMethod();
  EXPECT_EQ(panel.granulator.inspect().pitchMode, PitchMode::kEachHeadWalks);
  panel.exchange.shown.m_method = 0;
  panel.controls.OnMethod();
  EXPECT_EQ(panel.granulator.inspect().pitchMode, PitchMode::kHeadsShareRate);
  EXPECT_EQ(panel.exchange.log, (Log{"read", "read", "read", "read"}));
  EXPECT_EQ(panel.granulator.inspect().lenMin, 0);
}

// While playing, Reset applies everything at once, keeps the running crossfade, and leaves a
// link toggle clicked since the last read as the user left it.
TEST(PanelControls, ResetRestoresStartPositionsAndKeepsTheLinkToggles) {
  Panel panel;
  panel.exchange.shown = kMoved;
  panel.controls.OnCustomdrawLength1();
  panel.controls.OnCustomdrawPitch1();
  panel.controls.OnCustomdrawLocation();
  panel.controls.OnMethod();
  for (int i = 0; i < 1000; ++i) panel.granulator.nextSample();
  panel.exchange.shown.m_linkLength = 1;
  panel.exchange.shown.m_linkPitch = 1;

  panel.controls.OnReset();
  ControlValues expected;
  expected.m_length2 = 3000;
  expected.m_length1 = 3000;
  expected.m_zero = 1000;
  expected.m_pitch1 = 75000;
  expected.m_pitch2 = 75000;
  expected.m_pitchWalk = 0;
  expected.m_method = 0;
  expected.m_speed = 5000;
  expected.m_spread = 0;
  expected.m_fade = 1000;
  expected.m_linkLength = 1;
  expected.m_linkPitch = 1;
  EXPECT_EQ(tie(panel.exchange.shown), tie(expected));
  EXPECT_EQ(panel.granulator.inspect().fadeLength, 16);
  panel.takePitch();
  const Granulator& g = panel.granulator;
  EXPECT_EQ(g.inspect().lenMin, 1000);
  EXPECT_EQ(g.inspect().lenRange, 0);
  EXPECT_EQ(g.inspect().zeroThreshold, 32768);
  EXPECT_EQ(g.inspect().pitchMin, 1.0f);
  EXPECT_EQ(g.inspect().pitchMax, 1.0f);
  EXPECT_EQ(g.inspect().walkStep, 0.0f);
  EXPECT_EQ(g.inspect().spread, 0.0f);
  EXPECT_EQ(g.inspect().speed, 1.0f);
  EXPECT_EQ(g.inspect().pitchMode, PitchMode::kHeadsShareRate);
}

}  // namespace
