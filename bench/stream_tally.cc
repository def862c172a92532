// The block-by-block comparison of a live capture with the offline render.
#include "stream_tally.h"

#include <algorithm>

namespace {

constexpr size_t kBlock = kTallyBlock;

bool sameBlock(const int16_t* a, const int16_t* b) {
  return std::equal(a, a + kBlock, b);
}

}  // namespace

// Device callbacks and ring blocks are both 256 samples and start at ring offset 0, so the
// capture is a sequence of whole blocks: silence, then the stream, then silence after Stop.
Tally compare(const std::vector<int16_t>& captured, const std::vector<int16_t>& expected) {
  Tally tally;
  size_t end = captured.size() / kBlock;
  while (end > 0 &&
         std::all_of(captured.begin() + (end - 1) * kBlock, captured.begin() + end * kBlock,
                     [](int16_t s) { return s == 0; })) {
    --end;
  }
  size_t first = 0;
  while (first < end && !sameBlock(&captured[first * kBlock], &expected[0])) {
    ++first;
  }
  tally.aligned = first < end;
  const size_t expectedBlocks = expected.size() / kBlock;
  size_t next = 0;
  for (size_t c = first; c < end; ++c) {
    ++tally.played;
    const int16_t* block = &captured[c * kBlock];
    size_t j = next;
    while (j < std::min(next + kResyncBlocks, expectedBlocks) &&
           !sameBlock(block, &expected[j * kBlock])) {
      ++j;
    }
    if (j < std::min(next + kResyncBlocks, expectedBlocks)) {
      tally.lost += j - next;
      next = j + 1;
    } else if (tally.stale++ == 0) {
      tally.firstStale = tally.played - 1;
    }
  }
  return tally;
}
