// A single-producer single-consumer queue of fixed-length blocks of 16-bit samples.
#pragma once

#include <atomic>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

// The producer copies blocks in and the consumer reads them in place, each from its own thread,
// with no lock and no allocation after construction.
class BlockQueue {
 public:
  // Room for `capacityBlocks` blocks of `blockLength` samples each.
  BlockQueue(int capacityBlocks, int blockLength)
      : slotCount(capacityBlocks + 1),
        blockLength(blockLength),
        samples(new int16_t[static_cast<size_t>(slotCount) * static_cast<size_t>(blockLength)]()) {}
  BlockQueue(const BlockQueue&) = delete;
  BlockQueue& operator=(const BlockQueue&) = delete;

  int capacity() const { return slotCount - 1; }

  // Producer: copies the block in; false, and nothing kept, when the queue is full.
  bool push(const int16_t* block) {
    const int t = tail.load(std::memory_order_relaxed);
    const int next = following(t);
    if (next == head.load(std::memory_order_acquire)) {
      return false;
    }
    std::memcpy(slot(t), block, static_cast<size_t>(blockLength) * sizeof(int16_t));
    tail.store(next, std::memory_order_release);
    return true;
  }

  // Consumer: the oldest block, or null when the queue is empty. It stays valid until pop().
  const int16_t* front() const {
    const int h = head.load(std::memory_order_relaxed);
    return h == tail.load(std::memory_order_acquire) ? nullptr : slot(h);
  }

  // Consumer: hands the oldest block's slot back to the producer.
  void pop() {
    assert(front() != nullptr);
    head.store(following(head.load(std::memory_order_relaxed)), std::memory_order_release);
  }

 private:
  int following(int index) const { return index + 1 == slotCount ? 0 : index + 1; }
  int16_t* slot(int index) const {
    return samples.get() + static_cast<size_t>(index) * static_cast<size_t>(blockLength);
  }

  // One slot always stays free, so equal indices can only mean an empty queue.
  const int slotCount;
  const int blockLength;
  const std::unique_ptr<int16_t[]> samples;
  // Each index is written by one side only; apart, so the two sides do not share a cache line.
  alignas(64) std::atomic<int> head{0};
  alignas(64) std::atomic<int> tail{0};
};
