// Live capture against the offline render of the same stream: blocks played, stale and lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kTallyBlock = 256;
// How far ahead of the expected block a captured one is looked for before it counts as stale.
constexpr size_t kResyncBlocks = 64;

struct Tally {
  size_t played = 0;      // captured blocks of the stream, stale ones included
  size_t stale = 0;       // captured blocks that are not the next ones of the stream
  size_t lost = 0;        // blocks of the stream that were never heard
  size_t firstStale = 0;  // the played block where the first stale one was heard
  bool aligned = false;
};

// `captured` is a sequence of whole blocks of `blockLength` samples from its start: silence, then
// the stream, then silence after Stop. A device moves in its own blocks: a capture stays aligned
// to them, not to the ring's. `expected` is the offline render of the stream, kResyncBlocks ring
// blocks longer.
Tally compare(const std::vector<int16_t>& captured, const std::vector<int16_t>& expected,
              size_t blockLength = kTallyBlock);
