// The controls logic against a fake exchange and a real engine.
#include "panel/panel_controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/granulator.h"

namespace {

// Stands in for the dialog: `shown` is what the controls display; a write clamps as a slider does.
class FakeExchange : public ControlExchange {
 public:
  void readControls(ControlValues& values) override {
    values = shown;
    log.push_back("read");
  }
  void writeControls(const ControlValues& values) override {
    shown = values;
    for (const SliderRange& range : kSliderRanges) {
      int* member = sliderMember(shown, range.id);
      *member = shownPosition(range.id, *member);
    }
    log.push_back("write");
    if (onWrite) {
      onWrite();
    }
  }

  ControlValues shown;
  std::vector<std::string> log;
  std::function<void()> onWrite;
};

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

TEST(ControlMapping, LengthEndsRunFromFourThousandAtTheTopToZeroAtTheBottom) {
  EXPECT_EQ(lengthEnd(0), 4000);
  EXPECT_EQ(lengthEnd(3000), 1000);
  EXPECT_EQ(lengthEnd(4000), 0);
}

TEST(ControlMapping, ZeroChanceIsOneAtTheTopAndZeroAtTheStartPosition) {
  EXPECT_EQ(zeroChance(0), 1.0f);
  EXPECT_EQ(zeroChance(999), 0x1.0624dep-10f);
  EXPECT_EQ(zeroChance(1000), 0.0f);
}

// The odd positions tell a float constant apart from the same decimal held as a double.
TEST(ControlMapping, PitchRateRunsFromMinusTwoThroughZeroToPlusTwo) {
  EXPECT_EQ(pitchRate(0), -2.0f);
  EXPECT_EQ(pitchRate(2), -0x1.fffacp+0f);
  EXPECT_EQ(pitchRate(50000), 0.0f);
  EXPECT_EQ(pitchRate(50007), 0x1.2599ecp-12f);
  EXPECT_EQ(pitchRate(75000), 1.0f);
  EXPECT_EQ(pitchRate(100000), 2.0f);
}

TEST(ControlMapping, WalkSpreadAndSpeedScaleByTheirFloatConstants) {
  EXPECT_EQ(walkScale(0), 0.0f);
  EXPECT_EQ(walkScale(59), 0x1.eeed88p-15f);
  EXPECT_EQ(walkScale(10000), 0x1.47ae14p-7f);
  EXPECT_EQ(spreadFraction(0), 0.0f);
  EXPECT_EQ(spreadFraction(29), 0x1.95730ap-12f);
  EXPECT_EQ(spreadFraction(1000), 0x1.b4e81cp-7f);
  EXPECT_EQ(locationSpeed(0), 0.0f);
  EXPECT_EQ(locationSpeed(3), 0x1.3a92a2p-11f);
  EXPECT_EQ(locationSpeed(5000), 1.0f);
  EXPECT_EQ(locationSpeed(10000), 2.0f);
}

TEST(ControlMapping, MethodTickedSharesNoRateAndUntickedSharesOne) {
  EXPECT_EQ(pitchModeOf(1), 1);
  EXPECT_EQ(pitchModeOf(0), 2);
}

TEST(ControlMapping, ShownPositionIsClampedToTheSliderRange) {
  EXPECT_EQ(shownPosition(IDC_FADE, 0), 1);
  EXPECT_EQ(shownPosition(IDC_FADE, 4001), 4000);
  EXPECT_EQ(shownPosition(IDC_PITCH1, -5), 0);
  EXPECT_EQ(shownPosition(IDC_PITCH2, 1LL << 40), 100000);
  EXPECT_EQ(shownPosition(IDC_SPEED, 7777), 7777);
}

TEST(PanelControls, StartupApplicationGivesTheDocumentedParameters) {
  Panel panel;
  panel.controls.setStartupPositions();
  panel.controls.applyAll();
  panel.takePitch();
  const Granulator& g = panel.granulator;
  EXPECT_EQ(g.getLenMin(), 1000);
  EXPECT_EQ(g.getLenRange(), 0);
  EXPECT_EQ(g.getZeroThreshold(), 32768);
  EXPECT_EQ(g.getPitchMin(), 1.0f);
  EXPECT_EQ(g.getPitchMax(), 1.0f);
  EXPECT_EQ(g.getWalkStep(), 0.0f);
  EXPECT_EQ(g.getSpread(), 0.0f);
  EXPECT_EQ(g.getSpeed(), 1.0f);
  EXPECT_EQ(g.getPitchMode(), 2);
  EXPECT_TRUE(panel.exchange.log.empty());
}

TEST(PanelControls, LengthThumbsAtBothEndsGiveZeroOrFourThousand) {
  Panel panel;
  panel.exchange.shown.m_length1 = panel.exchange.shown.m_length2 = 4000;
  panel.controls.OnCustomdrawLength1();
  EXPECT_EQ(panel.granulator.getLenMin(), 0);
  EXPECT_EQ(panel.granulator.getLenRange(), 0);
  panel.exchange.shown.m_length1 = panel.exchange.shown.m_length2 = 0;
  panel.controls.OnCustomdrawLength2();
  EXPECT_EQ(panel.granulator.getLenMin(), 4000);
  EXPECT_EQ(panel.granulator.getLenRange(), 0);
}

TEST(PanelControls, UnlinkedLengthSlidersMoveIndependently) {
  Panel panel;
  panel.exchange.shown.m_length1 = 3500;
  panel.exchange.shown.m_length2 = 1000;
  panel.controls.OnCustomdrawLength2();
  EXPECT_EQ(panel.exchange.log, std::vector<std::string>{"read"});
  EXPECT_EQ(panel.controls.values().m_length1, 3500);
  EXPECT_EQ(panel.granulator.getLenMin(), 500);
  EXPECT_EQ(panel.granulator.getLenRange(), 2500);
}

TEST(PanelControls, LinkedLengthMovesThePartnerBeforeTheRangeIsSet) {
  Panel panel;
  panel.exchange.shown.m_linkLength = 1;
  panel.exchange.shown.m_length1 = 3500;
  panel.exchange.shown.m_length2 = 1000;
  int lenMinAtWrite = -1;
  panel.exchange.onWrite = [&] { lenMinAtWrite = panel.granulator.getLenMin(); };
  panel.granulator.setLengthRange(7, 7);

  panel.controls.OnCustomdrawLength2();
  EXPECT_EQ(panel.exchange.log, (std::vector<std::string>{"read", "write"}));
  EXPECT_EQ(lenMinAtWrite, 7);
  EXPECT_EQ(panel.exchange.shown.m_length1, 1000);
  EXPECT_EQ(panel.granulator.getLenMin(), 3000);
  EXPECT_EQ(panel.granulator.getLenRange(), 0);

  panel.exchange.shown.m_length1 = 200;
  panel.controls.OnCustomdrawLength1();
  EXPECT_EQ(panel.exchange.shown.m_length2, 200);
  EXPECT_EQ(lenMinAtWrite, 3000);
  EXPECT_EQ(panel.granulator.getLenMin(), 3800);
}

TEST(PanelControls, UnlinkedPitchSlidersSetTheRangeWithTheWalk) {
  Panel panel;
  panel.exchange.shown.m_pitch1 = 100000;
  panel.exchange.shown.m_pitch2 = 0;
  panel.exchange.shown.m_pitchWalk = 10000;
  panel.controls.OnCustomdrawPitch1();
  panel.takePitch();
  EXPECT_EQ(panel.exchange.log, std::vector<std::string>{"read"});
  EXPECT_EQ(panel.granulator.getPitchMin(), -2.0f);
  EXPECT_EQ(panel.granulator.getPitchMax(), 2.0f);
  EXPECT_EQ(panel.granulator.getWalkStep(), static_cast<float>(4.0 * walkScale(10000)));
}

// With the link pressed the range is one rate, so the walk slider changes nothing in the rates.
TEST(PanelControls, LinkedPitchSetsOneRateBeforeMovingThePartner) {
  Panel panel;
  panel.exchange.shown.m_linkPitch = 1;
  panel.exchange.shown.m_pitch1 = 75000;
  panel.exchange.shown.m_pitch2 = 0;
  panel.exchange.shown.m_pitchWalk = 10000;
  float maxAtWrite = 0.0f;
  panel.exchange.onWrite = [&] {
    panel.takePitch();
    maxAtWrite = panel.granulator.getPitchMax();
  };

  panel.controls.OnCustomdrawPitch2();
  EXPECT_EQ(panel.exchange.log, (std::vector<std::string>{"read", "write"}));
  EXPECT_EQ(maxAtWrite, -2.0f);
  EXPECT_EQ(panel.exchange.shown.m_pitch1, 0);

  panel.exchange.shown.m_pitch1 = 75000;
  panel.controls.OnCustomdrawPitch1();
  EXPECT_EQ(panel.exchange.shown.m_pitch2, 75000);
  panel.controls.OnCustomdrawPitchWalk();
  for (int i = 0; i < 100; ++i) {
    panel.granulator.nextSample();
  }
  EXPECT_EQ(panel.granulator.getWalkStep(), 0.0f);
  EXPECT_EQ(panel.granulator.getRateA(), 1.0f);
  EXPECT_EQ(panel.granulator.getRateB(), 1.0f);
}

TEST(PanelControls, ZeroAndLocationHandlersReadAndApplyTheirSliders) {
  Panel panel;
  panel.exchange.shown.m_zero = 0;
  panel.exchange.shown.m_spread = 1000;
  panel.exchange.shown.m_speed = 0;
  panel.controls.OnCustomdrawZero();
  EXPECT_EQ(panel.granulator.getZeroThreshold(), 0);
  panel.controls.OnCustomdrawLocation();
  EXPECT_EQ(panel.granulator.getSpread(), spreadFraction(1000));
  EXPECT_EQ(panel.granulator.getSpeed(), 0.0f);
  EXPECT_EQ(panel.exchange.log, (std::vector<std::string>{"read", "read"}));
}

TEST(PanelControls, FadeHandlerNeitherReadsNorApplies) {
  Panel panel;
  panel.exchange.shown.m_fade = 3;
  panel.controls.OnCustomdrawFade();
  EXPECT_TRUE(panel.exchange.log.empty());
  EXPECT_EQ(panel.granulator.getFadeLength(), 16);
}

TEST(PanelControls, MethodModeAlwaysMatchesTheBox) {
  Panel panel;
  panel.exchange.shown.m_method = 1;
  panel.controls.OnMethod();
  EXPECT_EQ(panel.granulator.getPitchMode(), 1);
  panel.exchange.shown.m_method = 0;
  panel.controls.OnMethod();
  EXPECT_EQ(panel.granulator.getPitchMode(), 2);
}

// A toggle clicked since the last read stays as the user left it.
TEST(PanelControls, ResetRestoresStartPositionsAndKeepsTheLinkToggles) {
  Panel panel;
  panel.exchange.shown = ControlValues{100, 200, 300, 400, 500, 600, 1, 700, 800, 900, 0, 0};
  panel.controls.OnCustomdrawZero();
  panel.exchange.shown.m_linkLength = 1;
  panel.exchange.shown.m_linkPitch = 1;
  panel.exchange.log.clear();

  panel.controls.OnReset();
  EXPECT_EQ(panel.exchange.log.back(), "write");
  const ControlValues& shown = panel.exchange.shown;
  EXPECT_EQ(shown.m_length1, 3000);
  EXPECT_EQ(shown.m_length2, 3000);
  EXPECT_EQ(shown.m_zero, 1000);
  EXPECT_EQ(shown.m_pitch1, 75000);
  EXPECT_EQ(shown.m_pitch2, 75000);
  EXPECT_EQ(shown.m_pitchWalk, 0);
  EXPECT_EQ(shown.m_method, 0);
  EXPECT_EQ(shown.m_spread, 0);
  EXPECT_EQ(shown.m_speed, 5000);
  EXPECT_EQ(shown.m_fade, 1000);
  EXPECT_EQ(shown.m_linkLength, 1);
  EXPECT_EQ(shown.m_linkPitch, 1);
  EXPECT_EQ(panel.controls.values().m_linkLength, 1);
  EXPECT_EQ(panel.controls.values().m_linkPitch, 1);
}

// While playing, Reset applies everything at once but leaves the running crossfade alone.
TEST(PanelControls, ResetWhilePlayingAppliesAllButTheFade) {
  Panel panel;
  panel.exchange.shown = ControlValues{100, 200, 300, 400, 500, 600, 1, 700, 800, 900, 0, 0};
  panel.controls.OnCustomdrawLength1();
  panel.controls.OnCustomdrawPitch1();
  panel.controls.OnCustomdrawLocation();
  panel.controls.OnMethod();
  for (int i = 0; i < 1000; ++i) {
    panel.granulator.nextSample();
  }

  panel.controls.OnReset();
  panel.takePitch();
  const Granulator& g = panel.granulator;
  EXPECT_EQ(g.getFadeLength(), 16);
  EXPECT_EQ(g.getLenMin(), 1000);
  EXPECT_EQ(g.getLenRange(), 0);
  EXPECT_EQ(g.getZeroThreshold(), 32768);
  EXPECT_EQ(g.getPitchMin(), 1.0f);
  EXPECT_EQ(g.getPitchMax(), 1.0f);
  EXPECT_EQ(g.getRateA(), 1.0f);
  EXPECT_EQ(g.getSpread(), 0.0f);
  EXPECT_EQ(g.getSpeed(), 1.0f);
  EXPECT_EQ(g.getPitchMode(), 2);
}

}  // namespace
