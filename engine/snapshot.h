// A value that one thread publishes whole and others take whole, neither ever waiting: a
// sequence-numbered snapshot.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <type_traits>

// One writer at a time; any number of readers. The sequence number is odd while a publish is
// under way and grows by two with each one, so a reader that sees the same even number before
// and after its copy holds one whole value. The value travels as relaxed atomic words, which
// compile to plain moves and keep ThreadSanitizer informed.
template <typename T>
class Snapshot {
  static_assert(std::is_trivially_copyable_v<T>, "a snapshot is copied word by word");
  static_assert(sizeof(T) % sizeof(uint32_t) == 0, "a snapshot is whole 32-bit words");

 public:
  void publish(const T& value) {
    uint32_t words[kWords];
    std::memcpy(words, &value, sizeof(T));
    const uint32_t seq = m_sequence.load(std::memory_order_relaxed);
    m_sequence.store(seq + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int i = 0; i < kWords; ++i) {
      m_words[i].store(words[i], std::memory_order_relaxed);
    }
    m_sequence.store(seq + 2, std::memory_order_release);
  }

  // The sequence number now: 0 before the first publish, odd during one; the value published
  // n-th carries 2n.
  uint32_t sequence() const { return m_sequence.load(std::memory_order_acquire); }

  // Copies the value numbered `seq` (as sequence() gave it) into `value`. False, leaving `value`
  // as it was, when `seq` is odd or another publish began during the copy.
  bool read(uint32_t seq, T& value) const {
    if ((seq & 1u) != 0) {
      return false;
    }
    uint32_t words[kWords];
    for (int i = 0; i < kWords; ++i) {
      words[i] = m_words[i].load(std::memory_order_relaxed);
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    if (m_sequence.load(std::memory_order_relaxed) != seq) {
      return false;
    }
    std::memcpy(&value, words, sizeof(T));
    return true;
  }

 private:
  static constexpr int kWords = static_cast<int>(sizeof(T) / sizeof(uint32_t));

  std::atomic<uint32_t> m_sequence{0};
  std::atomic<uint32_t> m_words[kWords] = {};
};
