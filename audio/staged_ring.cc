#include "staged_ring.h"

#include <algorithm>

void StagedRing::create(uint32_t bytes) {
  ringBytes = bytes;
  ring.reset(new std::atomic<uint8_t>[bytes]);
  staging.reset(new uint8_t[bytes]());
  for (uint32_t i = 0; i < bytes; ++i) {
    ring[i].store(0, std::memory_order_relaxed);
  }
}

void StagedRing::release() {
  ring.reset();
  staging.reset();
  ringBytes = 0;
}

bool StagedRing::lock(uint32_t offset, uint32_t bytes, RingRegions& regions) {
  if (!staging || offset >= ringBytes || bytes > ringBytes) {
    return false;
  }
  regions = RingRegions();
  regions.first = staging.get() + offset;
  regions.firstBytes = std::min(bytes, ringBytes - offset);
  if (regions.firstBytes < bytes) {
    regions.second = staging.get();
    regions.secondBytes = bytes - regions.firstBytes;
  }
  return true;
}

bool StagedRing::unlock(const RingRegions& regions) {
  if (!staging) {
    return false;
  }
  commit(regions.first, regions.firstBytes);
  if (regions.second != nullptr) {
    commit(regions.second, regions.secondBytes);
  }
  return true;
}

void StagedRing::commit(const uint8_t* region, uint32_t bytes) {
  const auto offset = static_cast<uint32_t>(region - staging.get());
  if (offset >= ringBytes || bytes > ringBytes - offset) {
    return;
  }
  for (uint32_t i = 0; i < bytes; ++i) {
    ring[offset + i].store(region[i], std::memory_order_relaxed);
  }
}
