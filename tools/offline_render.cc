// Loads a sound and plays the panel's start path into a buffer instead of a device.
#include "offline_render.h"

#include <algorithm>
#include <cassert>

#include "engine_settings.h"
#include "sound_converter.h"

LoadOutcome OfflineRender::load(const char* path, bool convert) {
  return convert ? loadOrConvert(path, m_sound) : loadSound(path, m_sound);
}

void OfflineRender::useSamples(SampleBuffer samples, int frameCount) {
  m_sound.samples = std::move(samples);
  m_sound.frameCount = frameCount;
}

void OfflineRender::start(const ControlValues& positions, uint32_t seed) {
  assert(m_sound.frameCount >= 2);
  startFirstRun(m_granulator, positions, m_sound.samples.get(), m_sound.frameCount, seed);
}

// Nothing stops a render between two samples, so it takes them in blocks, as fast as the engine
// goes; the samples are the same as one call at a time would give. A block ends where a change
// is due, and the change comes between it and the next.
void OfflineRender::render(float* out, int count) {
  while (count > 0) {
    while (m_nextChange < m_changes.size() && m_changes[m_nextChange].sample <= m_position) {
      const ControlChange& change = m_changes[m_nextChange++];
      applyTaken(m_granulator, change.values, change.recentred);
    }
    uint64_t n = static_cast<uint64_t>(count);
    if (m_nextChange < m_changes.size()) {
      n = std::min(n, m_changes[m_nextChange].sample - m_position);
    }
    m_granulator.render(out, static_cast<int>(n));
    out += n;
    count -= static_cast<int>(n);
    m_position += n;
  }
}

void OfflineRender::takeChanges(std::vector<ControlChange> changes) {
  m_changes = std::move(changes);
  m_nextChange = 0;
}

void OfflineRender::skip(uint64_t count) {
  constexpr int kChunk = 4096;
  float scratch[kChunk];
  while (count > 0) {
    const int n = static_cast<int>(std::min<uint64_t>(count, kChunk));
    render(scratch, n);
    count -= static_cast<uint64_t>(n);
  }
}
