// The JACK sound ring: the writer's side of the exchange and the callback's read of the loop.
#include "jack_sound_ring.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "device_failure.h"
#include "jack_client.h"
#include "sample_rate.h"

JackSoundRing::~JackSoundRing() {
  releaseRing();
}

bool JackSoundRing::openDevice() {
  return client.running();
}

bool JackSoundRing::setFormat(const WaveFormat& format) {
  formatSet = format.formatTag == kFormatPcm && format.bitsPerSample == 16 &&
              format.channels == 1 && format.samplesPerSec == static_cast<uint32_t>(kSampleRate);
  return formatSet;
}

bool JackSoundRing::createRing(uint32_t bytes) {
  if (!formatSet || bytes == 0 || bytes % 2 != 0 || loop.ready()) {
    return false;
  }
  loop.create(bytes);
  client.attach(this);
  return true;
}

bool JackSoundRing::lock(uint32_t offset, uint32_t bytes, RingRegions& regions) {
  return loop.lock(offset, bytes, regions);
}

bool JackSoundRing::unlock(const RingRegions& regions) {
  return loop.unlock(regions);
}

bool JackSoundRing::playLooping() {
  if (!loop.ready() || !client.running()) {
    return false;
  }
  position.store(0, std::memory_order_relaxed);
  sounding.store(true, std::memory_order_release);
  return true;
}

bool JackSoundRing::status(uint32_t& statusWord) {
  if (!loop.ready()) {
    return false;
  }
  const bool playing = sounding.load(std::memory_order_relaxed) && client.running();
  statusWord = playing ? kStatusPlaying | kStatusLooping : 0;
  return true;
}

bool JackSoundRing::playPosition(uint32_t& offset) {
  if (!loop.ready()) {
    return false;
  }
  // Without a server the position would stand still and the writer would wait for it for ever.
  if (client.serverGone()) {
    failDevice(kServerGoneText);
  }
  offset = position.load(std::memory_order_acquire);
  return true;
}

void JackSoundRing::stop() {
  sounding.store(false, std::memory_order_relaxed);
}

void JackSoundRing::releaseRing() {
  if (!loop.ready()) {
    return;
  }
  // Returns once no process cycle reads the ring any more.
  client.detach();
  sounding.store(false, std::memory_order_relaxed);
  loop.release();
}

void JackSoundRing::releaseDevice() {}

// The server takes a period's bytes at a time, and a ring sized for a keyboard player holds one
// block to spare: a writer sleeping the whole shortfall would wake after the player had passed
// it. It looks again every millisecond instead.
void JackSoundRing::sleep(int sleepMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(sleepMs, kPollMs)));
}

void JackSoundRing::fill(int16_t* out, int count) {
  if (!sounding.load(std::memory_order_acquire)) {
    std::fill(out, out + count, int16_t{0});
    return;
  }
  const uint32_t ringBytes = loop.size();
  uint32_t at = position.load(std::memory_order_relaxed);
  for (int i = 0; i < count; ++i) {
    const uint8_t pair[2] = {loop.at(at), loop.at(at + 1)};
    std::memcpy(&out[i], pair, 2);
    at = at + 2 == ringBytes ? 0 : at + 2;
  }
  position.store(at, std::memory_order_release);
}
