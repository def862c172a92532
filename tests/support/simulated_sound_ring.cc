// The simulated sound ring used by the writer and worker tests.
#include "simulated_sound_ring.h"

#include <algorithm>
#include <cstring>

bool SimulatedSoundRing::openDevice() {
  return enter(OpenDevice);
}

bool SimulatedSoundRing::setFormat(const WaveFormat& format) {
  if (!enter(SetFormat)) {
    return false;
  }
  ringFormat = format;
  return true;
}

bool SimulatedSoundRing::createRing(uint32_t ringBytes) {
  if (!enter(CreateRing)) {
    return false;
  }
  // Filled with a pattern so that a test sees whether the writer cleared it.
  ring.assign(ringBytes, 0x5A);
  return true;
}

bool SimulatedSoundRing::lock(uint32_t offset, uint32_t bytes, RingRegions& regions) {
  if (!enter(Lock)) {
    return false;
  }
  const auto size = static_cast<uint32_t>(ring.size());
  uint32_t firstBytes = std::min(bytes, size - offset);
  if (splitBytes > 0 && splitBytes < firstBytes) {
    firstBytes = splitBytes;
  }
  regions = RingRegions();
  regions.first = ring.data() + offset;
  regions.firstBytes = firstBytes;
  if (firstBytes < bytes) {
    regions.second = ring.data() + (offset + firstBytes) % size;
    regions.secondBytes = bytes - firstBytes;
  }
  lockOffset = offset;
  return true;
}

bool SimulatedSoundRing::unlock(const RingRegions&) {
  return enter(Unlock);
}

bool SimulatedSoundRing::playLooping() {
  if (!enter(PlayLooping)) {
    return false;
  }
  playing = true;
  originMs = nowMs;
  originOffset = 0;
  return true;
}

bool SimulatedSoundRing::status(uint32_t& statusWord) {
  if (!enter(Status)) {
    return false;
  }
  statusWord = playing ? kStatusPlaying | kStatusLooping : 0;
  return true;
}

bool SimulatedSoundRing::playPosition(uint32_t& offset) {
  if (!enter(PlayPosition)) {
    return false;
  }
  offset = currentPosition();
  return true;
}

void SimulatedSoundRing::stop() {
  enter(Stop);
  rebase();
  playing = false;
}

void SimulatedSoundRing::releaseRing() {
  enter(ReleaseRing);
}

void SimulatedSoundRing::releaseDevice() {
  enter(ReleaseDevice);
}

void SimulatedSoundRing::sleep(int sleepMs) {
  enter(Sleep);
  sleepLog.push_back(sleepMs);
  nowMs += sleepMs;
}

void SimulatedSoundRing::advance(int ms) {
  nowMs += ms;
}

void SimulatedSoundRing::setPlayPosition(uint32_t offset) {
  originMs = nowMs;
  originOffset = offset;
}

void SimulatedSoundRing::setStalled(bool isStalled) {
  rebase();
  stalled = isStalled;
}

int SimulatedSoundRing::callCount(Operation operation) const {
  return static_cast<int>(std::count(callLog.begin(), callLog.end(), operation));
}

int16_t SimulatedSoundRing::sampleAt(uint32_t byteOffset) const {
  int16_t sample = 0;
  std::memcpy(&sample, ring.data() + byteOffset, sizeof sample);
  return sample;
}

bool SimulatedSoundRing::enter(Operation operation) {
  callLog.push_back(operation);
  if (onCall) {
    onCall(operation);
  }
  return !failing[operation];
}

uint32_t SimulatedSoundRing::currentPosition() const {
  if (ring.empty()) {
    return 0;
  }
  int64_t played = 0;
  if (playing && !stalled) {
    // 88.2 bytes per ms, whole 16-bit samples only.
    played = (nowMs - originMs) * 441 / 5 / 2 * 2;
  }
  return static_cast<uint32_t>((originOffset + played) % static_cast<int64_t>(ring.size()));
}

void SimulatedSoundRing::rebase() {
  originOffset = currentPosition();
  originMs = nowMs;
}
