// Turns a MIDI byte stream into complete channel messages, one byte at a time.
#pragma once

#include <cstdint>

#include "midi_message.h"

// Follows running status, skips SysEx of any length and system common messages, and lets
// realtime bytes pass anywhere, even inside another message, without disturbing it. Holds a few
// bytes of state and never allocates, so an input's own thread may call it.
class MidiParser {
 public:
  // True when `byte` completes a channel message, which is then in `message`.
  bool feed(uint8_t byte, MidiMessage& message);

 private:
  uint8_t m_status = 0;
  uint8_t m_data[2] = {0, 0};
  int m_dataCount = 0;
  bool m_inSysex = false;
};
