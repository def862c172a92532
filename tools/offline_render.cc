// Loads a sound and plays the panel's start path into a buffer instead of a device.
#include "offline_render.h"

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
// goes; the samples are the same as one call at a time would give.
void OfflineRender::render(float* out, int count) {
  m_granulator.render(out, count);
}
