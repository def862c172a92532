// The lock-free queue of parsed MIDI messages.
#include "midi_queue.h"

void MidiQueue::receive(const uint8_t* bytes, size_t count) {
  MidiMessage message;
  for (size_t i = 0; i < count; ++i) {
    if (!m_parser.feed(bytes[i], message)) {
      continue;
    }
    const uint32_t tail = m_tail.load(std::memory_order_relaxed);
    if (tail - m_head.load(std::memory_order_acquire) == kCapacity) {
      m_dropped.store(m_dropped.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
      continue;
    }
    m_slots[tail & kMask] = message;
    m_tail.store(tail + 1, std::memory_order_release);
  }
}

bool MidiQueue::pop(MidiMessage& message) {
  const uint32_t head = m_head.load(std::memory_order_relaxed);
  if (head == m_tail.load(std::memory_order_acquire)) {
    return false;
  }
  message = m_slots[head & kMask];
  m_head.store(head + 1, std::memory_order_release);
  return true;
}
