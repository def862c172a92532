// The hand-over of positions from the panel to the worker, and the log of what the worker took.
#include "engine_controls.h"

#include "engine_settings.h"

void EngineControls::startRun(const ControlValues& values, const float* samples, int frameCount,
                              uint32_t seed) {
  startFirstRun(m_granulator, values, samples, frameCount, seed);
  // The previous worker has given the engine back, so its last changes are in the ring.
  drain();
  m_ringOverran.store(false, std::memory_order_relaxed);
  m_run = std::make_shared<RunLog>();
  m_run->start = values;
  m_run->seed = seed;
  m_lastPublished = values;
  // What startFirstRun applied counts as taken: the worker, started after this, sees it so.
  m_takenSequence = m_published.sequence();
  m_takenPitch = m_pitchCount;
  m_live = true;
}

void EngineControls::publish(const ControlValues& values, bool setsPitch) {
  if (!setsPitch && values == m_lastPublished) {
    return;
  }
  drain();
  if (setsPitch) {
    ++m_pitchCount;
  }
  m_lastPublished = values;
  m_published.publish(Published{values, m_pitchCount});
}

std::shared_ptr<RunLog> EngineControls::runLog() {
  drain();
  return m_run;
}

void EngineControls::take(uint32_t seq, uint64_t sample) {
  Published taken;
  if (!m_published.read(seq, taken)) {
    // Caught mid-publish: taken between the next two blocks instead.
    return;
  }
  m_takenSequence = seq;
  const bool recentred = taken.pitchCount != m_takenPitch;
  m_takenPitch = taken.pitchCount;
  applyTaken(m_granulator, taken.values, recentred);

  const uint32_t written = m_ringWritten.load(std::memory_order_relaxed);
  if (written - m_ringRead.load(std::memory_order_acquire) == kRingSize) {
    m_ringOverran.store(true, std::memory_order_relaxed);
    return;
  }
  ControlChange& slot = m_ring[written % kRingSize];
  slot.sample = sample;
  slot.values = taken.values;
  slot.recentred = recentred;
  m_ringWritten.store(written + 1, std::memory_order_release);
}

void EngineControls::drain() {
  const uint32_t written = m_ringWritten.load(std::memory_order_acquire);
  uint32_t read = m_ringRead.load(std::memory_order_relaxed);
  for (; read != written; ++read) {
    m_run->changes.push_back(m_ring[read % kRingSize]);
  }
  m_ringRead.store(read, std::memory_order_release);
  if (m_ringOverran.load(std::memory_order_relaxed)) {
    m_run->complete = false;
  }
}
