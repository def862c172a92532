// Helpers that the granulator's tests share: a buffer whose reads tell their position, and a
// run of the engine to the end of its current state.
#pragma once

#include <vector>

#include "granulator.h"

// A ramp whose value at frame i is i / n: a read at position p gives p / n wherever it lands.
inline std::vector<float> ramp(int n) {
  std::vector<float> s(n);
  for (int i = 0; i < n; ++i) {
    s[i] = static_cast<float>(i) / n;
  }
  return s;
}

// Calls nextSample until the state changes; returns how many calls that took.
inline int runPhase(Granulator& g) {
  const int start = g.voiceState().state;
  int calls = 0;
  while (g.voiceState().state == start) {
    g.nextSample();
    ++calls;
  }
  return calls;
}
