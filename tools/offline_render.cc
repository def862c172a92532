// Loads a sound and plays the panel's start path into a buffer instead of a device.
#include "offline_render.h"

#include <cassert>

#include "random_source.h"
#include "sound_converter.h"

namespace {

// The random source's state when a process starts.
constexpr uint32_t kStartState = 1;

}  // namespace

OfflineRender::OfflineRender() : m_controls(m_granulator, m_exchange) {}

LoadOutcome OfflineRender::load(const char* path, bool convert) {
  return convert ? loadOrConvert(path, m_sound) : loadSound(path, m_sound);
}

void OfflineRender::useSamples(SampleBuffer samples, int frameCount) {
  m_sound.samples = std::move(samples);
  m_sound.frameCount = frameCount;
}

// Prepare draws its two holds from the start state; the seed only reaches the draws after it.
void OfflineRender::start(const ControlValues& positions, uint32_t seed) {
  assert(m_sound.frameCount >= 2);
  seedRandom(kStartState);
  m_controls.values() = positions;
  m_controls.startEngine(m_sound.samples.get(), m_sound.frameCount, seed);
}

// Nothing stops a render between two samples, so it takes them in blocks, as fast as the engine
// goes; the samples are the same as one call at a time would give.
void OfflineRender::render(float* out, int count) {
  m_granulator.render(out, count);
}
