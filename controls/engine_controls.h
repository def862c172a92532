// The controls as the engine takes them while a worker plays. The panel publishes every position
// whole; between two blocks the worker takes the newest, makes the engine calls itself and logs
// what it took with the sample at which it took it, so that a take can be played again exactly.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "control_values.h"
#include "snapshot.h"

class Granulator;

// One change as the engine took it.
struct ControlChange {
  // The sample of the Run (0 being its first) from which the change is heard.
  uint64_t sample = 0;
  // Every position after the change.
  ControlValues values;
  // The pitch range was set again, so both heads' rates start again from its centre: moving a
  // Pitch or Walk slider does it, and so does a repaint of one.
  bool recentred = false;
};

// What one Run played from: its positions and seed, and every change the engine took.
struct RunLog {
  ControlValues start;
  uint32_t seed = 0;
  std::vector<ControlChange> changes;
  // False when a change could not be logged: the Run then cannot be played again exactly.
  bool complete = true;
};

class EngineControls {
 public:
  explicit EngineControls(Granulator& granulator) : m_granulator(granulator) {}
  EngineControls(const EngineControls&) = delete;
  EngineControls& operator=(const EngineControls&) = delete;

  // User-interface thread. Starts a Run as startFirstRun does and a new log for it; from here
  // until stopRun the engine is the worker's, and changes reach it through publish.
  void startRun(const ControlValues& values, const float* samples, int frameCount, uint32_t seed);
  void stopRun() { m_live = false; }
  // True between startRun and stopRun: a handler then publishes instead of calling the engine.
  bool live() const { return m_live; }
  // Hands `values` to the worker, whole; `setsPitch` when the handler sets the pitch range.
  // Nothing is published when neither the positions nor the pitch range change.
  void publish(const ControlValues& values, bool setsPitch);
  // The log of the current (or last) Run, with every change the worker has taken so far.
  std::shared_ptr<RunLog> runLog();

  // Worker, before the first sample and between blocks: takes the newest published positions, if
  // any, as the change heard from `sample` on. Never waits, locks or allocates.
  void takeChanges(uint64_t sample) {
    const uint32_t seq = m_published.sequence();
    if (seq != m_takenSequence) {
      take(seq, sample);
    }
  }
  // The worker's source of samples and views.
  float nextSample() { return m_granulator.nextSample(); }
  void publishView() { m_granulator.publishView(); }

 private:
  struct Published {
    ControlValues values;
    uint32_t pitchCount;
  };
  // The worker's log of what it took, emptied into the Run's log by the user-interface thread
  // each time it publishes, so it holds a change or two at most.
  static constexpr uint32_t kRingSize = 64;

  void take(uint32_t seq, uint64_t sample);
  void drain();

  Granulator& m_granulator;
  Snapshot<Published> m_published;
  // The user-interface thread's own.
  bool m_live = false;
  ControlValues m_lastPublished;
  uint32_t m_pitchCount = 0;
  std::shared_ptr<RunLog> m_run = std::make_shared<RunLog>();
  // The worker's own while it plays.
  uint32_t m_takenSequence = 0;
  uint32_t m_takenPitch = 0;
  ControlChange m_ring[kRingSize];
  std::atomic<uint32_t> m_ringWritten{0};
  std::atomic<uint32_t> m_ringRead{0};
  std::atomic<bool> m_ringOverran{false};
};
