// The sound ring over the JACK client: a loop of the engine's 44 100 Hz stream that the client's
// process callback plays through the port `out`.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "sound_ring.h"

class JackClient;

constexpr const char* kServerGoneText = "The JACK server has gone away!\n";

class JackSoundRing final : public SoundRing {
 public:
  // The longest the writer sleeps before it looks at the play position again.
  static constexpr int kPollMs = 1;

  explicit JackSoundRing(JackClient& client) : client(client) {}
  ~JackSoundRing() override;
  JackSoundRing(const JackSoundRing&) = delete;
  JackSoundRing& operator=(const JackSoundRing&) = delete;

  bool openDevice() override;
  // 16-bit mono at 44 100 Hz only: the client converts that rate to the server's.
  bool setFormat(const WaveFormat& format) override;
  bool createRing(uint32_t ringBytes) override;
  bool lock(uint32_t offset, uint32_t bytes, RingRegions& regions) override;
  bool unlock(const RingRegions& regions) override;
  bool playLooping() override;
  bool status(uint32_t& statusWord) override;
  // A server that has gone away ends the process here, through failDevice.
  bool playPosition(uint32_t& offset) override;
  void stop() override;
  void releaseRing() override;
  void releaseDevice() override;
  void sleep(int sleepMs) override;

  // Runs on JACK's process thread: the next `count` samples of the ring, silence before play.
  void fill(int16_t* out, int count);

 private:
  void commit(const uint8_t* region, uint32_t bytes);

  JackClient& client;
  bool formatSet = false;
  uint32_t ringBytes = 0;
  // As in the SDL ring: relaxed atomic bytes that the callback reads, and a private staging copy
  // that the writer fills under lock and publishes at unlock.
  std::unique_ptr<std::atomic<uint8_t>[]> ring;
  std::unique_ptr<uint8_t[]> staging;
  std::atomic<bool> sounding{false};
  // Written only by the callback once sounding, released after its reads of the ring.
  std::atomic<uint32_t> position{0};
};
