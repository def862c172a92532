// The sound ring over the JACK client: a loop of the engine's 44 100 Hz stream that the client's
// process callback plays through the port `out`.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "sound_ring.h"
#include "staged_ring.h"

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
  JackClient& client;
  bool formatSet = false;
  StagedRing loop;
  std::atomic<bool> sounding{false};
  // Written only by the callback once sounding, released after its reads of the ring.
  std::atomic<uint32_t> position{0};
};
