// The looping sound ring that StreamOut writes into: the few device operations it relies on.
#pragma once

#include <cstdint>

// The output format record, laid out like a PCM WAVEFORMATEX.
struct WaveFormat {
  uint16_t formatTag = 0;
  uint16_t channels = 0;
  uint32_t samplesPerSec = 0;
  uint32_t avgBytesPerSec = 0;
  uint16_t blockAlign = 0;
  uint16_t bitsPerSample = 0;
  uint16_t extraSize = 0;
};

constexpr uint16_t kFormatPcm = 1;

// Signed 16-bit PCM at the given rate (truncated toward zero) and channel count.
inline WaveFormat makeWaveFormat(float sampleRate, int channels) {
  WaveFormat format;
  format.formatTag = kFormatPcm;
  format.channels = static_cast<uint16_t>(channels);
  format.samplesPerSec = static_cast<uint32_t>(sampleRate);
  format.bitsPerSample = 16;
  format.blockAlign = static_cast<uint16_t>(channels * 16 / 8);
  format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
  format.extraSize = 0;
  return format;
}

// Writable memory for a byte range of the ring: one region, or two when the range runs past the
// ring's end (the second then starts at offset 0). `second` is null when there is no second region.
struct RingRegions {
  uint8_t* first = nullptr;
  uint32_t firstBytes = 0;
  uint8_t* second = nullptr;
  uint32_t secondBytes = 0;
};

// Bits of the status word; only whether the word is zero matters to the writer.
constexpr uint32_t kStatusPlaying = 1;
constexpr uint32_t kStatusBufferLost = 2;
constexpr uint32_t kStatusLooping = 4;

// A byte ring that a sound device plays in a loop, and the thread sleep that paces its writer.
// Operations that can fail return true on success.
class SoundRing {
 public:
  virtual ~SoundRing() = default;

  virtual bool openDevice() = 0;
  virtual bool setFormat(const WaveFormat& format) = 0;
  virtual bool createRing(uint32_t ringBytes) = 0;
  virtual bool lock(uint32_t offset, uint32_t bytes, RingRegions& regions) = 0;
  virtual bool unlock(const RingRegions& regions) = 0;
  // Starts the ring from offset 0, looping without end.
  virtual bool playLooping() = 0;
  virtual bool status(uint32_t& statusWord) = 0;
  // The byte offset in [0, ringBytes) that the device plays next.
  virtual bool playPosition(uint32_t& offset) = 0;
  virtual void stop() = 0;
  virtual void releaseRing() = 0;
  virtual void releaseDevice() = 0;
  virtual void sleep(int sleepMs) = 0;
};
