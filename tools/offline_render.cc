// Loads a sound and plays the panel's start path into a buffer instead of a device.
#include "tools/offline_render.h"

#include <cassert>

#include "engine/random_source.h"
#include "wave/fade_edges.h"
#include "wave/wave_reader.h"

namespace {

// The random source's state when a process starts.
constexpr uint32_t kStartState = 1;

}  // namespace

OfflineRender::OfflineRender() : m_controls(m_granulator, m_exchange) {}

bool OfflineRender::load(const char* path) {
  WaveReader reader;
  if (!reader.open(path)) {
    reader.close();
    return false;
  }
  const int frames = static_cast<int>(reader.frameCount());
  std::unique_ptr<float[]> samples(new float[frames]);
  reader.readFloats(samples.get());
  fadeEdges(samples.get(), frames);
  reader.close();
  useSamples(std::move(samples), frames);
  return true;
}

void OfflineRender::useSamples(std::unique_ptr<float[]> samples, int frameCount) {
  m_samples = std::move(samples);
  m_frameCount = frameCount;
}

// Prepare draws its two holds from the start state; the seed only reaches the draws after it.
void OfflineRender::start(const ControlValues& positions, uint32_t seed) {
  assert(m_frameCount >= 2);
  seedRandom(kStartState);
  m_controls.values() = positions;
  m_granulator.prepare(m_samples.get(), m_frameCount, positions.m_fade);
  seedRandom(seed);
  m_controls.applyAll();
}

void OfflineRender::render(float* out, int count) {
  for (int i = 0; i < count; ++i) {
    out[i] = m_granulator.nextSample();
  }
}
