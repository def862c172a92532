// Loads a 16-bit mono WAV file as floats in [-1, 1), one per frame.
#include "wave/wave_reader.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace {

constexpr float kSampleScale = 1.0f / 32768.0f;
// The engine interpolates between neighbouring frames, so it needs two to read.
constexpr uint32_t kMinFrames = 2;
// The sample buffer's frame count travels as a signed 32-bit integer.
constexpr uint32_t kMaxFrames = std::numeric_limits<int32_t>::max();

}  // namespace

WaveReader::~WaveReader() {
  close();
}

bool WaveReader::open(const char* path) {
  if (file.openRead(path) != kWaveOk)
    return false;
  if (file.getBitsPerSample() != 16 || file.getChannels() != 1)
    return false;
  const uint32_t n = file.getFrameCount();
  return n >= kMinFrames && n <= kMaxFrames;
}

void WaveReader::readFloats(float* dst) {
  const uint32_t n = frameCount();
  // Uninitialised on purpose: the one block read fills it, and zeroing 2n bytes first would
  // cost a full extra pass over a long sound.
  std::unique_ptr<int16_t[]> raw(new int16_t[n]);
  uint32_t got = 0;
  file.readSamples16(raw.get(), n, &got);
  for (uint32_t i = 0; i < got; ++i) dst[i] = static_cast<float>(raw[i]) * kSampleScale;
  std::fill(dst + got, dst + n, 0.0f);
}

void WaveReader::close() {
  file.close();
}
