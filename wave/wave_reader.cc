// Loads a 16-bit mono WAV file as floats in [-1, 1), one per frame.
#include "wave_reader.h"

#include <algorithm>
#include <cstring>
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
  // The one block read puts the 16-bit samples in the upper half of dst's own memory, and they
  // are widened in place from the front: float i ends at byte 4i + 4, never beyond sample i + 1
  // at byte 2n + 2i + 2, so every sample is read before it is overwritten. A long sound then
  // needs no second buffer, and no fresh pages to fault in.
  auto* raw = reinterpret_cast<unsigned char*>(dst) + 2 * static_cast<size_t>(n);
  uint32_t got = 0;
  file.readSamples16(reinterpret_cast<int16_t*>(raw), n, &got);
  for (uint32_t i = 0; i < got; ++i) {
    int16_t sample;
    std::memcpy(&sample, raw + 2 * static_cast<size_t>(i), sizeof sample);
    dst[i] = static_cast<float>(sample) * kSampleScale;
  }
  std::fill(dst + got, dst + n, 0.0f);
}

void WaveReader::close() {
  file.close();
}
