// The first Run of a freshly started panel, driven without a window, device or clock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "control_values.h"
#include "engine_controls.h"
#include "granulator.h"
#include "sound_loader.h"

class OfflineRender {
 public:
  OfflineRender() = default;
  OfflineRender(const OfflineRender&) = delete;
  OfflineRender& operator=(const OfflineRender&) = delete;

  // Loads the sound as File... does; with `convert`, a sound the strict loader refuses is
  // converted as the panel converts it.
  LoadOutcome load(const char* path, bool convert = false);
  // Takes a loaded buffer of at least two frames instead of a file (no edge fades applied).
  void useSamples(SampleBuffer samples, int frameCount);
  // Prepare, seed, full parameter application: once per object, after load or useSamples.
  void start(const ControlValues& positions, uint32_t seed);
  void render(float* out, int count);
  // From here on, the render takes each of `changes` (in order of their samples, counted from
  // the start) at its sample, as the worker took it between two blocks.
  void takeChanges(std::vector<ControlChange> changes);
  // Renders `count` samples and drops them.
  void skip(uint64_t count);

  int frameCount() const { return m_sound.frameCount; }

 private:
  Sound m_sound;
  Granulator m_granulator;
  std::vector<ControlChange> m_changes;
  size_t m_nextChange = 0;
  // Samples rendered since start.
  uint64_t m_position = 0;
};
