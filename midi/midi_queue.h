// A MIDI input's bytes, parsed on the input's thread and handed to the user-interface thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "midi_message.h"
#include "midi_parser.h"
#include "midi_sink.h"

// One producer (the input's thread, which may be a JACK process callback) and one consumer (the
// user-interface thread). Fixed storage, no lock, no allocation: when the consumer falls behind,
// new messages are dropped and counted, and the producer never waits.
class MidiQueue : public MidiSink {
 public:
  static constexpr int kCapacity = 4096;

  // Producer.
  void receive(const uint8_t* bytes, size_t count) override;

  // Consumer: the oldest message, false when none is waiting.
  bool pop(MidiMessage& message);
  // Messages dropped so far because the queue was full.
  uint64_t droppedCount() const { return m_dropped.load(std::memory_order_relaxed); }

 private:
  static constexpr uint32_t kMask = kCapacity - 1;
  static_assert((kCapacity & kMask) == 0, "the capacity must be a power of two");

  MidiParser m_parser;
  MidiMessage m_slots[kCapacity];
  // Free-running counts; their difference is the fill, which never exceeds the capacity.
  alignas(64) std::atomic<uint32_t> m_head{0};
  alignas(64) std::atomic<uint32_t> m_tail{0};
  std::atomic<uint64_t> m_dropped{0};
};
