// The instrument's calls against the real engine: each control as its handler applies it, the
// link rule, Method, Reset, and the news its listeners hear.
#include "instrument.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "fake_services.h"
#include "granulator.h"
#include "instrument_listener.h"
#include "playback_context.h"
#include "test_wav.h"

namespace {

// The worker each Run lends the engine to: it keeps the engine's address and leaves at once, so
// a test can take samples itself while nothing else does.
std::atomic<Granulator*> g_lent{nullptr};
uint32_t keepEngine(const PlaybackContext& context) {
  g_lent = context.granulator;
  return 0;
}

struct Panel : InstrumentListener {
  Panel() {
    instrument.transport().setWorker(keepEngine);
    instrument.addListener(this);
  }
  ~Panel() override { instrument.removeListener(this); }
  void controlsChanged() override { ++changes; }

  // Runs a sound of silence with the Fade at `fade`, then stops; the engine stays prepared.
  void start(int fade) {
    instrument.setPosition(IDC_FADE, fade);
    g_lent = nullptr;
    ASSERT_TRUE(instrument.openSound(
        dir.write("silence.wav", testwav::monoWav16(std::vector<int16_t>(4096)))));
    instrument.OnRunStop();
    while (g_lent == nullptr) std::this_thread::yield();
    changes = 0;
  }
  // The engine takes a new pitch range on its next sample, so the bounds are read after one.
  void takePitch() { g_lent.load()->nextSample(); }
  Granulator::LiveSettings settings() const { return instrument.granulator().settings(); }
  const Granulator::Voice& voice() const { return instrument.granulator().voiceState(); }

  testwav::TempDir dir;
  FakeServices services;
  Instrument instrument{services, dir.path()};
  int changes = 0;
};

auto tie(const ControlValues& v) {
  return std::tie(v.m_length2, v.m_length1, v.m_zero, v.m_pitch1, v.m_pitch2, v.m_pitchWalk,
                  v.m_method, v.m_speed, v.m_spread, v.m_fade, v.m_linkLength, v.m_linkPitch);
}

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

TEST(Instrument, UnlinkedSlidersMoveIndependentlyAndEachChangeIsHeard) {
  Panel panel;
  panel.start(1000);
  panel.instrument.setPosition(IDC_LENGTH1, 200);
  panel.instrument.setPosition(IDC_LENGTH2, 100);
  panel.instrument.setPosition(IDC_PITCH1, 400);
  panel.instrument.setPosition(IDC_PITCH2, 500);
  panel.instrument.setPosition(IDC_PITCHWALK, 600);
  panel.takePitch();
  EXPECT_EQ(panel.changes, 5);
  EXPECT_EQ(panel.settings().lenMin(), 3800);
  EXPECT_EQ(panel.settings().lenRange(), 100);
  // (400 - 50000) and (500 - 50000) times the float 0.00004, each rounded once.
  EXPECT_EQ(panel.voice().pitchMin, -0x1.fbe76cp+0f);
  EXPECT_EQ(panel.voice().pitchMax, -0x1.fae146p+0f);
  EXPECT_GT(panel.voice().walkStep, 0.0f);
  panel.instrument.setPosition(IDC_PITCHWALK, 0);
  panel.takePitch();
  EXPECT_EQ(panel.voice().walkStep, 0.0f);
}

// A link acts at the next move of a slider of its pair; the moved slider leads.
TEST(Instrument, LinkedLengthMakesTheMovedSliderTheLeader) {
  Panel panel;
  panel.instrument.setPosition(IDC_LENGTH1, 3500);
  panel.instrument.setLink(IDC_LINKLENGTH, true);
  EXPECT_EQ(panel.instrument.position(IDC_LENGTH2), 3000);
  EXPECT_EQ(panel.instrument.position(IDC_LINKLENGTH), 1);

  panel.instrument.setPosition(IDC_LENGTH2, 1000);
  EXPECT_EQ(panel.instrument.position(IDC_LENGTH1), 1000);
  EXPECT_EQ(panel.settings().lenMin(), 3000);
  EXPECT_EQ(panel.settings().lenRange(), 0);
  panel.instrument.setPosition(IDC_LENGTH1, 200);
  EXPECT_EQ(panel.instrument.position(IDC_LENGTH2), 200);
  EXPECT_EQ(panel.settings().lenMin(), 3800);
}

// With one rate the walk slider changes nothing in the rates.
TEST(Instrument, LinkedPitchSetsOneRateAndSilencesTheWalk) {
  Panel panel;
  panel.start(1000);
  panel.instrument.setPosition(IDC_PITCHWALK, 10000);
  panel.instrument.setLink(IDC_LINKPITCH, true);
  panel.instrument.setPosition(IDC_PITCH2, 0);
  panel.takePitch();
  EXPECT_EQ(panel.instrument.position(IDC_PITCH1), 0);
  EXPECT_EQ(panel.voice().pitchMin, -2.0f);
  EXPECT_EQ(panel.voice().pitchMax, -2.0f);

  panel.instrument.setPosition(IDC_PITCH1, 75000);
  EXPECT_EQ(panel.instrument.position(IDC_PITCH2), 75000);
  panel.instrument.setPosition(IDC_PITCHWALK, 10000);
  panel.takePitch();
  EXPECT_EQ(panel.voice().walkStep, 0.0f);
  EXPECT_EQ(panel.voice().rateA, 1.0f);
}

TEST(Instrument, SingleSlidersAndMethodApplyOnlyTheirOwnAndPositionsAreClamped) {
  Panel panel;
  panel.start(16);
  // Position 625: a chance of 375 x 0.001f = 0.37500000178 rounded to the float just above
  // 0.375, so (1 - p) x 32768 falls just short of 20480. With 0.001 as a double, or 1 - p
  // rounded to a float, it would be 20480.
  panel.instrument.setPosition(IDC_ZERO, 625);
  EXPECT_EQ(panel.settings().zeroThreshold(), 20479);
  panel.instrument.setPosition(IDC_SPREAD, 800);
  panel.instrument.setPosition(IDC_SPEED, 700);
  EXPECT_EQ(panel.settings().spread(), 0x1.5d867cp-7f);  // 800 / 75000
  EXPECT_EQ(panel.settings().speed(), 0x1.1eb852p-3f);   // 700 x 0.0002
  panel.instrument.setPosition(IDC_FADE, 900);
  EXPECT_EQ(panel.voice().fadeLength, 16);
  panel.instrument.setMethod(1);
  EXPECT_EQ(panel.settings().pitchMode(), PitchMode::kEachHeadWalks);
  panel.instrument.setMethod(0);
  EXPECT_EQ(panel.settings().pitchMode(), PitchMode::kHeadsShareRate);
  EXPECT_EQ(panel.settings().lenMin(), 1000);
  EXPECT_EQ(panel.changes, 6);

  // A slider shows the nearest end of its range; anything that is not a slider is no position.
  panel.instrument.setPosition(IDC_FADE, 0);
  panel.instrument.setPosition(IDC_PITCH1, 100001);
  panel.instrument.setPosition(IDC_RUN, 5);
  EXPECT_EQ(panel.instrument.position(IDC_FADE), 1);
  EXPECT_EQ(panel.instrument.position(IDC_PITCH1), 100000);
  EXPECT_EQ(panel.instrument.position(IDC_RUN), 0);
}

// Reset applies everything at once, keeps the running crossfade and leaves the links as they are.
TEST(Instrument, ResetRestoresStartPositionsAndKeepsTheLinks) {
  Panel panel;
  panel.start(16);
  for (const SliderRange& range : kSliderRanges) {
    panel.instrument.setPosition(range.id, range.low + 7);
  }
  panel.instrument.setMethod(1);
  panel.instrument.setLink(IDC_LINKLENGTH, true);
  panel.instrument.setLink(IDC_LINKPITCH, true);
  for (int i = 0; i < 1000; ++i) panel.takePitch();

  panel.instrument.OnReset();
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
  EXPECT_EQ(tie(panel.instrument.values()), tie(expected));
  EXPECT_EQ(panel.voice().fadeLength, 16);
  panel.takePitch();
  const Granulator::LiveSettings g = panel.settings();
  EXPECT_EQ(g.lenMin(), 1000);
  EXPECT_EQ(g.lenRange(), 0);
  EXPECT_EQ(g.zeroThreshold(), 32768);
  EXPECT_EQ(panel.voice().pitchMin, 1.0f);
  EXPECT_EQ(panel.voice().pitchMax, 1.0f);
  EXPECT_EQ(panel.voice().walkStep, 0.0f);
  EXPECT_EQ(g.spread(), 0.0f);
  EXPECT_EQ(g.speed(), 1.0f);
  EXPECT_EQ(g.pitchMode(), PitchMode::kHeadsShareRate);
}

}  // namespace
