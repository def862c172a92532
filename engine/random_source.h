// The process-wide 15-bit random source that every draw of the engine comes from.
#pragma once

#include <atomic>
#include <cstdint>

// One state for the whole process, 1 at start. Only one thread draws at a time (the UI thread
// before a run starts, the synthesis thread while it runs); the atomic keeps that hand-over
// visible to ThreadSanitizer and costs plain moves.
inline std::atomic<uint32_t> g_randomState{1};

inline void seedRandom(uint32_t seed) {
  g_randomState.store(seed, std::memory_order_relaxed);
}

// Uniform over 0..32767, the same sequence on every platform for the same seed.
inline int drawRandom() {
  uint32_t state = g_randomState.load(std::memory_order_relaxed) * 214013u + 2531011u;
  g_randomState.store(state, std::memory_order_relaxed);
  return static_cast<int>((state >> 16) & 0x7FFFu);
}
