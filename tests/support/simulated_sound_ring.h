// A sound ring for tests: a virtual clock moves the play position, and every operation can fail.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "sound_ring.h"

class SimulatedSoundRing final : public SoundRing {
 public:
  enum Operation {
    OpenDevice,
    SetFormat,
    CreateRing,
    Lock,
    Unlock,
    PlayLooping,
    Status,
    PlayPosition,
    Stop,
    ReleaseRing,
    ReleaseDevice,
    Sleep,
    kOperationCount
  };

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
  // Advances the virtual clock instead of the thread.
  void sleep(int sleepMs) override;

  // Lets virtual time pass: while playing, the position moves 88.2 bytes per ms, in whole samples.
  void advance(int ms);
  void setPlayPosition(uint32_t offset);
  // A stalled device keeps its play position however much time passes.
  void setStalled(bool isStalled);
  // Every lock longer than `firstBytes` comes back as two regions, split there (0: only at the
  // ring's end).
  void splitLocksAt(uint32_t firstBytes) { splitBytes = firstBytes; }
  void setFailing(Operation operation, bool fails = true) { failing[operation] = fails; }

  // Called at the start of every operation, before it can fail: tests act "during" a call.
  std::function<void(Operation)> onCall;

  const std::vector<Operation>& calls() const { return callLog; }
  int callCount(Operation operation) const;
  const std::vector<int>& sleepsMs() const { return sleepLog; }
  int64_t clockMs() const { return nowMs; }
  const WaveFormat& format() const { return ringFormat; }
  int16_t sampleAt(uint32_t byteOffset) const;
  uint32_t lastLockOffset() const { return lockOffset; }

 private:
  bool enter(Operation operation);
  uint32_t currentPosition() const;
  void rebase();

  bool failing[kOperationCount] = {};
  std::vector<Operation> callLog;
  std::vector<int> sleepLog;
  WaveFormat ringFormat;
  std::vector<uint8_t> ring;
  uint32_t splitBytes = 0;
  uint32_t lockOffset = 0;
  bool playing = false;
  bool stalled = false;
  int64_t nowMs = 0;
  int64_t originMs = 0;
  uint32_t originOffset = 0;
};
