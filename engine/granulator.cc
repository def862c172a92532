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

double drawUnit() {
  return drawRandom() * static_cast<double>(kDrawScale);
}

}  // namespace

void Granulator::prepare(const float* samplesIn, int frameCountIn, int fadeLengthIn) {
  const int fade = std::max(fadeLengthIn, 1);
  window.reset(new float[fade]);
  for (int i = 0; i < fade; ++i) {
    window[i] = static_cast<float>(raisedCosine(i, fade));
  }

  samples = samplesIn;
  frameCount = frameCountIn;
  fadeLength = fade;
  wrapLen = static_cast<double>(frameCount) - 1.0;

  setLocation(0.01f, 1.0f);
  setPitchRange(0.5f, 1.5f, 0.001f);
  setLengthRange(0, 1000);
  setZeroChance(0.1f);
  // No worker runs during prepare, so the defaults can be taken here and read back at once.
  takePitchRange();

  drawHolds();
  location = 0.0;
  posA = 0.0;
  state = HoldA;
  windowPos = 0;
  publishView();
}

Granulator::Inspection Granulator::inspect() const {
  Inspection s;
  s.state = static_cast<State>(state);
  s.windowPos = windowPos;
  s.fadeLength = fadeLength;
  s.window = window.get();
  s.posA = posA;
  s.posB = posB;
  s.location = location;
  s.wrapLen = wrapLen;
  s.rateA = rateA;
  s.rateB = rateB;
  s.pitchMin = pitchMin;
  s.pitchMax = pitchMax;
  s.walkStep = walkStep;
  s.walkHalf = walkHalf;
  s.holdA = holdA;
  s.holdB = holdB;
  s.muteA = muteA;
  s.muteB = muteB;
  s.lenMin = load(lenMin);
  s.lenRange = load(lenRange);
  s.zeroThreshold = load(zeroThreshold);
  s.pitchMode = load(pitchMode);
  s.spread = load(spread);
  s.speed = load(speed);
  return s;
}

void Granulator::publishView() {
  float gainA = 0.0f;
  float gainB = 0.0f;
  switch (state) {
    case HoldA:
      gainA = 1.0f;
      break;
    case HoldB:
      gainB = 1.0f;
      break;
    case FadeAToB:
    case FadeBToA: {
      const float w = window[windowPos];
      const float out = static_cast<float>(1.0 - w);
      gainA = state == FadeAToB ? out : w;
      gainB = state == FadeAToB ? w : out;
      break;
    }
  }
  if (muteA) {
    gainA = 0.0f;
  }
  if (muteB) {
    gainB = 0.0f;
  }

  // One writer at a time: the worker while it runs, prepare before it starts.
  const uint32_t seq = publishedView.sequence.load(std::memory_order_relaxed);
  publishedView.sequence.store(seq + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  store(publishedView.state, state);
  store(publishedView.frameCount, frameCount);
  store(publishedView.spread, load(spread));
  store(publishedView.location, location);
  store(publishedView.posA, posA);
  store(publishedView.posB, posB);
  store(publishedView.gainA, gainA);
  store(publishedView.gainB, gainB);
  publishedView.sequence.store(seq + 2, std::memory_order_release);
}

bool Granulator::readView(View& view) const {
  for (int tries = 0; tries < kViewTries; ++tries) {
    const uint32_t seq = publishedView.sequence.load(std::memory_order_acquire);
    if (seq == 0) {
      return false;
    }
    if ((seq & 1u) != 0) {
      continue;
    }
    View taken;
    taken.number = seq / 2;
    taken.state = static_cast<State>(load(publishedView.state));
    taken.frameCount = load(publishedView.frameCount);
    taken.spread = load(publishedView.spread);
    taken.location = load(publishedView.location);
    taken.posA = load(publishedView.posA);
    taken.posB = load(publishedView.posB);
    taken.gainA = load(publishedView.gainA);
    taken.gainB = load(publishedView.gainB);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (publishedView.sequence.load(std::memory_order_relaxed) == seq) {
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

  // One writer (the UI thread): an odd sequence number marks a snapshot being written.
  const uint32_t seq = published.sequence.load(std::memory_order_relaxed);
  published.sequence.store(seq + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  store(published.pitchMin, low);
  store(published.pitchMax, high);
  store(published.walkStep, step);
  store(published.walkHalf, half);
  store(published.rate, centre);
  published.sequence.store(seq + 2, std::memory_order_release);
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

// The per-sample steps below are forced inline: a call per step costs more than the step.

// Takes a newer pitch snapshot if one is complete; a snapshot caught mid-write is taken on a
// later sample instead, so the synthesis thread never waits for the UI thread.
[[gnu::always_inline]] inline void Granulator::takePitchRange() {
  const uint32_t seq = published.sequence.load(std::memory_order_acquire);
  if (seq == takenSequence || (seq & 1u) != 0) {
    return;
  }
  const float low = load(published.pitchMin);
  const float high = load(published.pitchMax);
  const float step = load(published.walkStep);
  const float half = load(published.walkHalf);
  const float centre = load(published.rate);
  std::atomic_thread_fence(std::memory_order_acquire);
  if (published.sequence.load(std::memory_order_relaxed) != seq) {
    return;
  }
  pitchMin = low;
  pitchMax = high;
  walkStep = step;
  walkHalf = half;
  rateB = centre;
  rateA = centre;
  takenSequence = seq;
}

[[gnu::always_inline]] inline float Granulator::readHead(double pos, bool mute) const {
  if (mute) {
    return 0.0f;
  }
  const int i = static_cast<int>(pos);
  const int next = std::min(i + 1, frameCount - 1);
  const double s0 = samples[i];
  return static_cast<float>(s0 + (samples[next] - s0) * (pos - i));
}

// A position that one correction cannot bring back (a short sound, or a far jump) is folded in
// by the remainder of a division; anything not finite restarts at the beginning.
double Granulator::wrapFar(double pos) const {
  double r = std::fmod(pos, wrapLen);
  if (r < 0.0) {
    r += wrapLen;
  }
  return r >= 0.0 && r <= wrapLen ? r : 0.0;
}

// One correction brings back a position that stepped just past either end; anything further
// is folded in by wrapFar.
[[gnu::always_inline]] inline double Granulator::wrap(double pos) const {
  if (pos >= wrapLen) {
    pos = pos - wrapLen;
  } else if (pos < 0.0) {
    pos = pos + wrapLen;
  }
  if (!(pos >= 0.0 && pos < wrapLen)) {
    pos = wrapFar(pos);
  }
  return pos;
}

[[gnu::always_inline]] inline double Granulator::advance(double pos, float rate) const {
  return wrap(pos + rate);
}

[[gnu::always_inline]] inline float Granulator::walkFrom(float rate) const {
  for (;;) {
    const double c = drawUnit() * walkStep + rate - walkHalf;
    if (!(c < pitchMin || c > pitchMax)) {
      return static_cast<float>(c);
    }
  }
}

[[gnu::always_inline]] inline void Granulator::walk(bool walkA, bool walkB) {
  if (load(pitchMode) == PitchMode::kEachHeadWalks) {
    if (walkA) {
      rateA = walkFrom(rateA);
    }
    if (walkB) {
      rateB = walkFrom(rateB);
    }
  } else {
    rateB = walkFrom(rateB);
    rateA = rateB;
  }
}

void Granulator::drawHolds() {
  const int low = load(lenMin);
  const int width = load(lenRange);
  holdA = low + ((drawRandom() * width) >> 15);
  holdB = low + ((drawRandom() * width) >> 15);
}

void Granulator::jump(double& pos, bool& mute, int hold) {
  const double span = frameCount * static_cast<double>(load(spread));
  const int64_t counted = int64_t{hold} + fadeLength;
  const float offset = static_cast<float>(span * 0.5 - counted * static_cast<double>(load(speed)));
  const double x = wrap(drawUnit() * static_cast<float>(span) + location - offset);
  location = x;
  pos = x;
  mute = drawRandom() > load(zeroThreshold);
  windowPos = 0;
}

float Granulator::nextSample() {
  if (samples == nullptr || frameCount < 2) {
    return 0.0f;
  }
  takePitchRange();

  float out = 0.0f;
  switch (state) {
    case HoldA:
      out = readHead(posA, muteA);
      posA = advance(posA, rateA);
      walk(true, false);
      if (holdA == 0) {
        state = FadeAToB;
        jump(posB, muteB, holdB);
      }
      --holdA;
      break;
    case HoldB:
      out = readHead(posB, muteB);
      posB = advance(posB, rateB);
      walk(false, true);
      if (holdB == 0) {
        state = FadeBToA;
        jump(posA, muteA, holdA);
      }
      --holdB;
      break;
    case FadeAToB:
    case FadeBToA: {
      const float a = readHead(posA, muteA);
      const float b = readHead(posB, muteB);
      posA = advance(posA, rateA);
      posB = advance(posB, rateB);
      walk(true, true);
      const double w = window[windowPos];
      out = state == FadeAToB ? static_cast<float>(a + (static_cast<double>(b) - a) * w)
                              : static_cast<float>(b + (static_cast<double>(a) - b) * w);
      if (++windowPos == fadeLength) {
        state = state == FadeAToB ? HoldB : HoldA;
        drawHolds();
      }
      break;
    }
  }
  return out;
}
