// The bytes of a sound ring shared with a device callback: each byte a relaxed atomic (plain
// moves), and a private staging copy that the writer fills under lock and publishes at unlock,
// so the callback only ever sees whole bytes, never a torn write.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "sound_ring.h"

class StagedRing {
 public:
  // `bytes` of silence.
  void create(uint32_t bytes);
  void release();
  bool ready() const { return staging != nullptr; }
  uint32_t size() const { return ringBytes; }

  // The staging regions of `bytes` from `offset`, wrapping at the end; false when out of range.
  bool lock(uint32_t offset, uint32_t bytes, RingRegions& regions);
  bool unlock(const RingRegions& regions);

  // The callback's read of one byte.
  uint8_t at(uint32_t offset) const { return ring[offset].load(std::memory_order_relaxed); }

 private:
  void commit(const uint8_t* region, uint32_t bytes);

  uint32_t ringBytes = 0;
  std::unique_ptr<std::atomic<uint8_t>[]> ring;
  std::unique_ptr<uint8_t[]> staging;
};
