// The block-by-block comparison of a live capture with the offline render.
#include "stream_tally.h"

#include <algorithm>

Tally compare(const std::vector<int16_t>& captured, const std::vector<int16_t>& expected,
              size_t blockLength) {
  const auto sameBlock = [blockLength](const int16_t* a, const int16_t* b) {
    return std::equal(a, a + blockLength, b);
  };
  // Blocks of the stream are looked for as far ahead as kResyncBlocks of the ring's blocks.
  const size_t resyncBlocks = kResyncBlocks * kTallyBlock / blockLength;
  Tally tally;
  size_t end = captured.size() / blockLength;
  while (end > 0 &&
         std::all_of(captured.begin() + (end - 1) * blockLength,
                     captured.begin() + end * blockLength, [](int16_t s) { return s == 0; })) {
    --end;
  }
  size_t first = 0;
  while (first < end && !sameBlock(&captured[first * blockLength], &expected[0])) {
    ++first;
  }
  tally.aligned = first < end;
  const size_t expectedBlocks = expected.size() / blockLength;
  size_t next = 0;
  for (size_t c = first; c < end; ++c) {
    ++tally.played;
    const int16_t* block = &captured[c * blockLength];
    size_t j = next;
    while (j < std::min(next + resyncBlocks, expectedBlocks) &&
           !sameBlock(block, &expected[j * blockLength])) {
      ++j;
    }
    if (j < std::min(next + resyncBlocks, expectedBlocks)) {
      tally.lost += j - next;
      next = j + 1;
    } else if (tally.stale++ == 0) {
      tally.firstStale = tally.played - 1;
    }
  }
  return tally;
}
