// The process-wide 15-bit random source that every draw of the engine comes from.
#pragma once

#include <atomic>
#include <cstdint>

// The state when a process starts: the first Run of a fresh panel and grainrender begin from it.
constexpr uint32_t kRandomStartState = 1;

// One state for the whole process, kRandomStartState at start. Only one thread draws at a time (the
// UI thread before a run starts, the synthesis thread while it runs); the atomic keeps that
// hand-over visible to ThreadSanitizer and costs plain moves.
inline std::atomic<uint32_t> g_randomState{kRandomStartState};

inline void seedRandom(uint32_t seed) {
  g_randomState.store(seed, std::memory_order_relaxed);
}

// The state the next draw starts from. A caller that draws many times in a row (a block of
// samples) takes it into a local, draws from that, and hands it back with seedRandom.
inline uint32_t randomState() {
  return g_randomState.load(std::memory_order_relaxed);
}

// One draw from a state held by the caller: uniform over 0..32767, the same sequence on every
// platform for the same seed.
inline int drawRandom(uint32_t& state) {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

// One draw from the process-wide state.
inline int drawRandom() {
  uint32_t state = randomState();
  const int r = drawRandom(state);
  seedRandom(state);
  return r;
}
