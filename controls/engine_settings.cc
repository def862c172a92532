// The engine calls that the controls make, in the order each control's handler makes them.
#include "engine_settings.h"

#include "granulator.h"
#include "random_source.h"

void applyLengths(Granulator& granulator, const ControlValues& values) {
  granulator.setLengthRange(lengthEnd(values.m_length1), lengthEnd(values.m_length2));
}

void applyZero(Granulator& granulator, const ControlValues& values) {
  granulator.setZeroChance(zeroChance(values.m_zero));
}

void applyPitchRange(Granulator& granulator, const ControlValues& values) {
  granulator.setPitchRange(pitchRate(values.m_pitch1), pitchRate(values.m_pitch2),
                           walkScale(values.m_pitchWalk));
}

void applyLinkedPitch(Granulator& granulator, const ControlValues& values, int position) {
  const float rate = pitchRate(position);
  granulator.setPitchRange(rate, rate, walkScale(values.m_pitchWalk));
}

void applyLocation(Granulator& granulator, const ControlValues& values) {
  granulator.setLocation(spreadFraction(values.m_spread), locationSpeed(values.m_speed));
}

void applyMethod(Granulator& granulator, const ControlValues& values) {
  granulator.setPitchMode(pitchModeOf(values.m_method));
}

void applyAll(Granulator& granulator, const ControlValues& values) {
  applyTaken(granulator, values, true);
}

void applyTaken(Granulator& granulator, const ControlValues& values, bool recentred) {
  applyLengths(granulator, values);
  applyZero(granulator, values);
  if (recentred) {
    applyPitchRange(granulator, values);
  }
  applyLocation(granulator, values);
  applyMethod(granulator, values);
}

void startRun(Granulator& granulator, const ControlValues& values, const float* samples,
              int frameCount, uint32_t seed) {
  granulator.prepare(samples, frameCount, values.m_fade);
  applyAll(granulator, values);
  seedRandom(seed);
}

void startFirstRun(Granulator& granulator, const ControlValues& values, const float* samples,
                   int frameCount, uint32_t seed) {
  seedRandom(kRandomStartState);
  startRun(granulator, values, samples, frameCount, seed);
}
