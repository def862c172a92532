// Plays an endless stream of float samples through a looping ring, paced by its play position.
#pragma once

#include <array>
#include <cstdint>

#include "sound_ring.h"

class RecordTap;

class StreamOut {
 public:
  static constexpr uint32_t kRingBytes = 8192;
  // The smallest ring: one block playing while the writer fills the other.
  static constexpr uint32_t kMinRingBytes = 1024;
  static constexpr int kBlockLength = 256;
  // The room the writer waits for and the bytes it locks per block: a constant of the write,
  // not derived from the block length.
  static constexpr uint32_t kBlockBytes = 512;
  // The rate that turns a byte shortfall into a sleep, whatever format was asked for.
  static constexpr double kBytesPerSecond = 88200.0;
  // With the run flag cleared, a play position that stands still this long means a dead device.
  static constexpr int kStallMs = 200;

  // Opens the device and starts a ring of `ringBytes` (a whole number of blocks) playing silence.
  // A failing step says so through failDevice, which ends the process with status 1. Every block
  // written into the ring is offered to `recordTap` when one is given.
  StreamOut(SoundRing& sound, float sampleRate, int channels, uint32_t ringBytes = kRingBytes,
            RecordTap* recordTap = nullptr);
  virtual ~StreamOut();
  StreamOut(const StreamOut&) = delete;
  StreamOut& operator=(const StreamOut&) = delete;

  void putSample(float x);
  // Writes the 512 bytes at `samples` behind the play position, waiting for room first. Returns
  // -1 when the play position cannot be read, 0 otherwise (written, or dropped).
  int writeBlock(const int16_t* samples, int count);

  uint32_t getWriteOffset() const { return writeOffset; }
  int getBlockFill() const { return blockFill; }
  // The samples put so far: the index of the next one in the stream.
  uint64_t samplesPut() const { return blocksPut * kBlockLength + blockFill; }

 private:
  uint32_t unwrap(uint32_t position) const;

  SoundRing& sound;
  RecordTap* recordTap;
  uint32_t writeOffset = 0;
  uint32_t ringBytes = 0;
  std::array<int16_t, kBlockLength> block{};
  int blockLength = kBlockLength;
  int blockFill = 0;
  uint64_t blocksPut = 0;
};

// The ring for a wanted latency: the whole blocks that fit in `latencyMs` of sound at 88 200 bytes
// a second, at least kMinRingBytes; 0 gives the default ring.
uint32_t ringBytesForLatency(int latencyMs);
// floor(shortfall / 88.2) + 1 milliseconds: enough for the device to play the missing bytes.
int sleepMsForShortfall(uint32_t shortfallBytes);
