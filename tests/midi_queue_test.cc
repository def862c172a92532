// MidiQueue: the byte stream parsed into channel messages however it is split, and a flood.
#include "midi_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

std::vector<int> drain(MidiQueue& queue) {
  std::vector<int> words;
  MidiMessage m;
  while (queue.pop(m)) {
    words.push_back(m.status << 16 | m.data1 << 8 | m.data2);
  }
  return words;
}

TEST(MidiQueue, ParsesRunningStatusSysexAndRealtimeHoweverTheBytesAreSplit) {
  std::vector<uint8_t> stream = {0x90, 0x3C, 0x64, 0x3E, 0x00, 0xF0};
  for (int i = 0; i < 5000; ++i) {
    stream.push_back(static_cast<uint8_t>(i & 0x7F));
    if (i % 97 == 0) {
      stream.push_back(0xF8);
    }
  }
  const std::vector<uint8_t> tail = {
      0xF7, 0x40, 0x7F,               // SysEx ended running status: these data bytes mean nothing
      0xB1, 0x07, 0xF8, 0x50,         // a clock tick inside a controller change
      0x08, 0x09,                     // running status
      0xF2, 0x10, 0x20, 0x30,         // song position, then a byte with no status
      0xC2, 0x05, 0x06,               // program change carries one data byte
      0xE0, 0x00, 0x40,               // bend
      0xF0, 0x01, 0x91, 0x3C, 0x10};  // a status byte ends an unterminated SysEx
  stream.insert(stream.end(), tail.begin(), tail.end());
  const std::vector<int> expected = {0x903C64, 0x903E00, 0xB10750, 0xB10809,
                                     0xC20500, 0xC20600, 0xE00040, 0x913C10};
  for (size_t chunk : {size_t{1}, size_t{7}, stream.size()}) {
    MidiQueue queue;
    for (size_t at = 0; at < stream.size(); at += chunk) {
      queue.receive(stream.data() + at, std::min(chunk, stream.size() - at));
    }
    EXPECT_EQ(drain(queue), expected) << "in chunks of " << chunk;
  }
}

TEST(MidiQueue, DropsAndCountsWhatAFullQueueCannotTakeWhileTheConsumerRuns) {
  MidiQueue queue;
  const uint8_t note[] = {0x90, 0x01, 0x7F};
  for (int i = 0; i < MidiQueue::kCapacity + 5; ++i) {
    queue.receive(note, 3);
  }
  EXPECT_EQ(queue.droppedCount(), 5u);
  EXPECT_EQ(drain(queue).size(), static_cast<size_t>(MidiQueue::kCapacity));

  // Two threads: every message is either taken, in order, or counted as dropped.
  constexpr int kCount = 16000;  // below 2^14, the largest index two data bytes carry
  std::thread producer([&queue] {
    for (int i = 0; i < kCount; ++i) {
      const uint8_t cc[] = {0xB0, static_cast<uint8_t>(i >> 7 & 0x7F),
                            static_cast<uint8_t>(i & 0x7F)};
      queue.receive(cc, 3);
    }
  });
  int taken = 0;
  int last = -1;
  MidiMessage m;
  while (taken + static_cast<int>(queue.droppedCount()) - 5 < kCount) {
    if (queue.pop(m)) {
      const int i = m.data1 << 7 | m.data2;
      EXPECT_GT(i, last);
      last = i;
      ++taken;
    }
  }
  producer.join();
  EXPECT_EQ(taken + static_cast<int>(queue.droppedCount()) - 5, kCount);
}

}  // namespace
