// The sound ring over SDL2 audio: an 8192-byte loop that the device callback plays.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "sound_ring.h"
#include "staged_ring.h"

class SdlSoundRing final : public SoundRing {
 public:
  // Samples per device callback: small against the ring, so the play position moves in
  // 512-byte steps like the writer's blocks.
  static constexpr int kCallbackSamples = 256;

  SdlSoundRing() = default;
  ~SdlSoundRing() override;
  SdlSoundRing(const SdlSoundRing&) = delete;
  SdlSoundRing& operator=(const SdlSoundRing&) = delete;

  bool openDevice() override;
  bool setFormat(const WaveFormat& format) override;
  bool createRing(uint32_t ringBytes) override;
  bool lock(uint32_t offset, uint32_t bytes, RingRegions& regions) override;
  bool unlock(const RingRegions& regions) override;
  bool playLooping() override;
  bool status(uint32_t& statusWord) override;
  bool playPosition(uint32_t& offset) override;
  void stop() override;
  void releaseRing() override;
  void releaseDevice() override;
  void sleep(int sleepMs) override;

  // Runs on SDL's audio thread: copies the next `bytes` of the ring out and moves the position.
  void fill(uint8_t* out, int bytes);

 private:
  bool audioInitialised = false;
  WaveFormat wanted;
  uint32_t device = 0;
  StagedRing loop;
  // Set (release) once the ring is ready; until then the callback plays silence.
  std::atomic<bool> sounding{false};
  // Written only by the callback once sounding: release after its reads of the ring, so the
  // writer's acquire load orders those reads before it overwrites the bytes they came from.
  std::atomic<uint32_t> position{0};
};
