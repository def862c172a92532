// The ring writer: conversion to 16-bit, 256-sample blocks and the wait for room.
#include "stream_out.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

#include "device_failure.h"
#include "pcm16.h"
#include "record_tap.h"
#include "run_flag.h"

StreamOut::StreamOut(SoundRing& sound, float sampleRate, int channels, uint32_t ringBytes,
                     RecordTap* recordTap)
    : sound(sound), recordTap(recordTap), ringBytes(ringBytes) {
  if (!sound.openDevice()) {
    failDevice("Cannot open default directsound device!!\n");
  }
  const WaveFormat format = makeWaveFormat(sampleRate, channels);
  if (!sound.setFormat(format)) {
    failDevice("Cannot set the primary DirectSound buffer to proper sound format!\n");
  }
  if (!sound.createRing(ringBytes)) {
    failDevice("DirectSound Constructor: couldn't create sound buffer!\n");
  }
  RingRegions whole;
  if (!sound.lock(0, ringBytes, whole)) {
    failDevice("DS Constructor: couldn't lock sound buffer!\n");
  }
  std::memset(whole.first, 0, whole.firstBytes);
  if (whole.second != nullptr) {
    std::memset(whole.second, 0, whole.secondBytes);
  }
  if (!sound.unlock(whole)) {
    failDevice("DirectSound Constructor: couldn't unlock sound buffer!\n");
  }
  writeOffset = 0;
  if (!sound.playLooping()) {
    failDevice("DirectSound Constructor: couldn't play sound buffer!\n");
  }
  blockLength = kBlockLength;
  block.fill(0);
  blockFill = 0;
}

// Whatever the ring still holds is cut off, and a part-filled block is never written.
StreamOut::~StreamOut() {
  sound.stop();
  sound.releaseRing();
  sound.releaseDevice();
}

void StreamOut::putSample(float x) {
  block[blockFill] = toPcm16(x);
  ++blockFill;
  if (blockFill == blockLength) {
    writeBlock(block.data(), blockLength);
    blockFill = 0;
    ++blocksPut;
  }
}

int StreamOut::writeBlock(const int16_t* samples, int count) {
  assert(count * 2 == static_cast<int>(kBlockBytes));
  (void)count;

  // A status that cannot be read is as bad as a ring that does not play.
  uint32_t statusWord = 0;
  if (!sound.status(statusWord)) {
    statusWord = 0;
  }
  if (statusWord == 0) {
    std::fputs("Buffer not playing!\n", stdout);
  }

  uint32_t played = 0;
  if (!sound.playPosition(played)) {
    return -1;
  }
  // A play position equal to the write offset means a full ring, never an empty one.
  uint32_t position = unwrap(played);
  int stillMs = 0;
  while (position < writeOffset + kBlockBytes) {
    const int sleepMs = sleepMsForShortfall(writeOffset + kBlockBytes - position);
    sound.sleep(sleepMs);
    const uint32_t before = played;
    if (!sound.playPosition(played)) {
      return -1;
    }
    stillMs = played == before ? stillMs + sleepMs : 0;
    // Stop must not hang on a device that has stopped playing: drop the block instead.
    if (stillMs >= kStallMs && !g_running.load(std::memory_order_relaxed)) {
      return 0;
    }
    position = unwrap(played);
  }

  RingRegions regions;
  if (!sound.lock(writeOffset, kBlockBytes, regions)) {
    return 0;
  }
  assert(regions.firstBytes + regions.secondBytes <= kBlockBytes);
  const auto* bytes = reinterpret_cast<const uint8_t*>(samples);
  std::memcpy(regions.first, bytes, regions.firstBytes);
  if (regions.second != nullptr) {
    std::memcpy(regions.second, bytes + regions.firstBytes, regions.secondBytes);
  }
  writeOffset = (writeOffset + regions.firstBytes + regions.secondBytes) % ringBytes;
  sound.unlock(regions);
  // A recording takes exactly the blocks that went into the ring; without one, this is one load.
  if (recordTap != nullptr && recordTap->attached()) {
    recordTap->offer(samples, blocksPut * kBlockLength);
  }
  return 0;
}

// Brings a play position into [writeOffset, writeOffset + ringBytes): the distance is the room.
uint32_t StreamOut::unwrap(uint32_t position) const {
  return position < writeOffset ? position + ringBytes : position;
}

uint32_t ringBytesForLatency(int latencyMs) {
  if (latencyMs <= 0) {
    return StreamOut::kRingBytes;
  }
  // A sample waits between one ring and one ring and a block before it is heard.
  const double bytes = latencyMs * StreamOut::kBytesPerSecond / 1000.0 - StreamOut::kBlockBytes;
  const auto blocks = static_cast<uint32_t>(std::max(bytes, 0.0) / StreamOut::kBlockBytes);
  return std::max(blocks * StreamOut::kBlockBytes, StreamOut::kMinRingBytes);
}

int sleepMsForShortfall(uint32_t shortfallBytes) {
  return static_cast<int>(shortfallBytes * 1000.0 * (1.0 / StreamOut::kBytesPerSecond) + 1.0);
}
