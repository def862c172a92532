// The granular engine: a four-phase cycle of holds and crossfades between two read heads.
#include "granulator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raised_cosine.h"
#include "random_source.h"

namespace {

// 1/32767 held as a float: exactly 2^-15 + 2^-30, so a draw times k stays below 1.
constexpr float kDrawScale = 1.0f / 32767.0f;

[[gnu::always_inline]] inline double drawUnit(uint32_t& random) {
  return drawRandom(random) * static_cast<double>(kDrawScale);
}

// A position that one correction cannot bring back (a short sound, or a far jump) is folded in
// by the remainder of a division; anything not finite restarts at the beginning. Rarely taken,
// so kept out of line, off the registers of the per-sample loop.
[[gnu::cold, gnu::noinline]] double wrapFar(double pos, double wrapLen) {
  double r = std::fmod(pos, wrapLen);
  if (r < 0.0) {
    r += wrapLen;
  }
  return r >= 0.0 && r <= wrapLen ? r : 0.0;
}

}  // namespace

// The same settings read once for a whole block, as if every setter had run before its start.
class Granulator::BlockSettings {
 public:
  explicit BlockSettings(const Granulator& g)
      : m_pitchMode(load(g.pitchMode)),
        m_spread(load(g.spread)),
        m_speed(load(g.speed)),
        m_lenMin(load(g.lenMin)),
        m_lenRange(load(g.lenRange)),
        m_zeroThreshold(load(g.zeroThreshold)) {}
  PitchMode pitchMode() const { return m_pitchMode; }
  float spread() const { return m_spread; }
  float speed() const { return m_speed; }
  int lenMin() const { return m_lenMin; }
  int lenRange() const { return m_lenRange; }
  int zeroThreshold() const { return m_zeroThreshold; }

 private:
  PitchMode m_pitchMode;
  float m_spread;
  float m_speed;
  int m_lenMin;
  int m_lenRange;
  int m_zeroThreshold;
};

void Granulator::prepare(const float* samplesIn, int frameCountIn, int fadeLengthIn) {
  const int fade = std::max(fadeLengthIn, 1);
  window.reset(new float[fade]);
  for (int i = 0; i < fade; ++i) {
    window[i] = static_cast<float>(raisedCosine(i, fade));
  }

  voice.samples = samplesIn;
  voice.window = window.get();
  voice.frameCount = frameCountIn;
  voice.fadeLength = fade;
  voice.wrapLen = static_cast<double>(frameCountIn) - 1.0;

  setLocation(0.01f, 1.0f);
  setPitchRange(0.5f, 1.5f, 0.001f);
  setLengthRange(0, 1000);
  setZeroChance(0.1f);
  // No worker runs during prepare, so the defaults can be taken here and read back at once.
  takePitchRange();

  uint32_t random = randomState();
  voice.drawHolds(LiveSettings(*this), random);
  seedRandom(random);
  voice.location = 0.0;
  voice.posA = 0.0;
  voice.state = HoldA;
  voice.windowPos = 0;
  publishView();
}

// Each setting is read at the moment a step uses it, so a setter takes effect at the next walk,
// hold draw or jump.
Granulator::LiveSettings Granulator::settings() const {
  return LiveSettings(*this);
}

void Granulator::publishView() {
  float gainA = 0.0f;
  float gainB = 0.0f;
  switch (voice.state) {
    case HoldA:
      gainA = 1.0f;
      break;
    case HoldB:
      gainB = 1.0f;
      break;
    case FadeAToB:
    case FadeBToA: {
      const float w = window[voice.windowPos];
      const float out = static_cast<float>(1.0 - w);
      gainA = voice.state == FadeAToB ? out : w;
      gainB = voice.state == FadeAToB ? w : out;
      break;
    }
  }
  if (voice.muteA) {
    gainA = 0.0f;
  }
  if (voice.muteB) {
    gainB = 0.0f;
  }

  // One writer at a time: the worker while it runs, prepare before it starts. The number is the
  // reader's to fill in.
  View view{};
  view.state = static_cast<State>(voice.state);
  view.frameCount = voice.frameCount;
  view.spread = load(spread);
  view.location = voice.location;
  view.posA = voice.posA;
  view.posB = voice.posB;
  view.gainA = gainA;
  view.gainB = gainB;
  publishedView.publish(view);
}

bool Granulator::readView(View& view) const {
  for (int tries = 0; tries < kViewTries; ++tries) {
    const uint32_t seq = publishedView.sequence();
    if (seq == 0) {
      return false;
    }
    View taken;
    if (publishedView.read(seq, taken)) {
      taken.number = seq / 2;
      view = taken;
      return true;
    }
  }
  return false;
}

void Granulator::setLengthRange(int a, int b) {
  // The difference is formed wide so that extreme arguments cannot overflow before clamping.
  const int64_t low = b > a ? a : b;
  const int64_t width = b > a ? int64_t{b} - a : int64_t{a} - b;
  store(lenMin, static_cast<int>(std::clamp<int64_t>(low, 0, kMaxLenMin)));
  store(lenRange, static_cast<int>(std::min<int64_t>(width, kMaxLenRange)));
}

void Granulator::setPitchRange(float a, float b, float walk) {
  const float low = b > a ? a : b;
  const float high = b > a ? b : a;
  const double width = (static_cast<double>(high) - low) * walk;
  const float step = static_cast<float>(width);
  const float half = static_cast<float>(width * 0.5);
  const float centre = static_cast<float>((static_cast<double>(high) + low) * 0.5);

  // One writer: the UI thread.
  published.publish(PitchRange{low, high, step, half, centre});
}

void Granulator::setLocation(float spreadIn, float speedIn) {
  store(spread, spreadIn);
  store(speed, speedIn);
}

void Granulator::setPitchMode(PitchMode mode) {
  store(pitchMode, mode);
}

void Granulator::setZeroChance(float p) {
  store(zeroThreshold, static_cast<int>((1.0 - p) * 32768.0));
}

// The per-sample steps below are forced inline: a call per step costs more than the step, and
// a block's copy of the voice stays in registers only while no call takes its address.

// Takes a newer pitch snapshot if one is complete; a snapshot caught mid-write is taken on a
// later sample instead, so the synthesis thread never waits for the UI thread.
[[gnu::always_inline]] inline void Granulator::takePitchRange() {
  const uint32_t seq = published.sequence();
  if (seq == takenSequence) {
    return;
  }
  PitchRange range;
  if (!published.read(seq, range)) {
    return;
  }
  voice.pitchMin = range.pitchMin;
  voice.pitchMax = range.pitchMax;
  voice.walkStep = range.walkStep;
  voice.walkHalf = range.walkHalf;
  voice.rateB = range.rate;
  voice.rateA = range.rate;
  voice.rateStill = range.walkStep == 0.0f && range.walkHalf == 0.0f;
  takenSequence = seq;
}

[[gnu::always_inline]] inline float Granulator::Voice::readHead(double pos, bool mute) const {
  if (mute) {
    return 0.0f;
  }
  const int i = static_cast<int>(pos);
  const int next = std::min(i + 1, frameCount - 1);
  const double s0 = samples[i];
  return static_cast<float>(s0 + (samples[next] - s0) * (pos - i));
}

// One correction brings back a position that stepped just past either end; anything further
// is folded in by wrapFar.
[[gnu::always_inline]] inline double Granulator::Voice::wrap(double pos) const {
  // Nearly every step stays inside, where no correction applies: two tests instead of four.
  if (pos >= 0.0 && pos < wrapLen) {
    return pos;
  }
  if (pos >= wrapLen) {
    pos = pos - wrapLen;
  } else if (pos < 0.0) {
    pos = pos + wrapLen;
  }
  if (!(pos >= 0.0 && pos < wrapLen)) {
    pos = wrapFar(pos, wrapLen);
  }
  return pos;
}

[[gnu::always_inline]] inline double Granulator::Voice::advance(double pos, float rate) const {
  return wrap(pos + rate);
}

[[gnu::always_inline]] inline float Granulator::Voice::walkFrom(float rate,
                                                                uint32_t& random) const {
  // With no step at all (linked pitch sliders, or no walk) the candidate is exactly the rate
  // plus a zero, in float as in double: the zero only turns a -0 rate into +0, as the sum does.
  // Taking it so keeps three conversions off the chain from one sample's rate to the next.
  if (rateStill) {
    const float c = rate + 0.0f;
    for (;;) {
      drawRandom(random);
      if (!(c < pitchMin || c > pitchMax)) {
        return c;
      }
    }
  }
  for (;;) {
    const double c = drawUnit(random) * walkStep + rate - walkHalf;
    if (!(c < pitchMin || c > pitchMax)) {
      return static_cast<float>(c);
    }
  }
}

template <typename Settings>
[[gnu::always_inline]] inline void Granulator::Voice::walk(const Settings& settings, bool walkA,
                                                           bool walkB, uint32_t& random) {
  if (settings.pitchMode() == PitchMode::kEachHeadWalks) {
    if (walkA) {
      rateA = walkFrom(rateA, random);
    }
    if (walkB) {
      rateB = walkFrom(rateB, random);
    }
  } else {
    rateB = walkFrom(rateB, random);
    rateA = rateB;
  }
}

template <typename Settings>
[[gnu::always_inline]] inline void Granulator::Voice::drawHolds(const Settings& settings,
                                                                uint32_t& random) {
  const int low = settings.lenMin();
  const int width = settings.lenRange();
  holdA = low + ((drawRandom(random) * width) >> 15);
  holdB = low + ((drawRandom(random) * width) >> 15);
}

template <typename Settings>
[[gnu::always_inline]] inline void Granulator::Voice::jump(const Settings& settings, double& pos,
                                                           bool& mute, int hold, uint32_t& random) {
  const double span = frameCount * static_cast<double>(settings.spread());
  const int64_t counted = int64_t{hold} + fadeLength;
  const float offset =
      static_cast<float>(span * 0.5 - counted * static_cast<double>(settings.speed()));
  const double x = wrap(drawUnit(random) * static_cast<float>(span) + location - offset);
  location = x;
  pos = x;
  mute = drawRandom(random) > settings.zeroThreshold();
  windowPos = 0;
}

template <typename Settings>
[[gnu::always_inline]] inline float Granulator::Voice::step(const Settings& settings,
                                                            uint32_t& random) {
  float out = 0.0f;
  switch (state) {
    case HoldA:
      out = readHead(posA, muteA);
      posA = advance(posA, rateA);
      walk(settings, true, false, random);
      if (holdA == 0) {
        state = FadeAToB;
        jump(settings, posB, muteB, holdB, random);
      }
      --holdA;
      break;
    case HoldB:
      out = readHead(posB, muteB);
      posB = advance(posB, rateB);
      walk(settings, false, true, random);
      if (holdB == 0) {
        state = FadeBToA;
        jump(settings, posA, muteA, holdA, random);
      }
      --holdB;
      break;
    case FadeAToB:
    case FadeBToA: {
      const float a = readHead(posA, muteA);
      const float b = readHead(posB, muteB);
      posA = advance(posA, rateA);
      posB = advance(posB, rateB);
      walk(settings, true, true, random);
      const double w = window[windowPos];
      out = state == FadeAToB ? static_cast<float>(a + (static_cast<double>(b) - a) * w)
                              : static_cast<float>(b + (static_cast<double>(a) - b) * w);
      if (++windowPos == fadeLength) {
        state = state == FadeAToB ? HoldB : HoldA;
        drawHolds(settings, random);
      }
      break;
    }
  }
  return out;
}

float Granulator::nextSample() {
  if (voice.samples == nullptr || voice.frameCount < 2) {
    return 0.0f;
  }
  takePitchRange();
  uint32_t random = randomState();
  const float out = voice.step(LiveSettings(*this), random);
  seedRandom(random);
  return out;
}

void Granulator::render(float* out, int count) {
  if (count <= 0) {
    return;
  }
  if (voice.samples == nullptr || voice.frameCount < 2) {
    std::fill(out, out + count, 0.0f);
    return;
  }
  takePitchRange();
  const BlockSettings settings(*this);
  // The voice and the random state live in locals for the whole block, where they can stay in
  // registers, and go back once at its end.
  Voice v = voice;
  uint32_t random = randomState();
  for (int i = 0; i < count; ++i) {
    out[i] = v.step(settings, random);
  }
  voice = v;
  seedRandom(random);
}
