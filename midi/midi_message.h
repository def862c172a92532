// One complete channel message: status byte (kind and channel) and its data bytes.
#pragma once

#include <cstdint>

struct MidiMessage {
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;

  int kind() const { return status & 0xF0; }
  int channel() const { return status & 0x0F; }
};

constexpr int kNoteOff = 0x80;
constexpr int kNoteOn = 0x90;
constexpr int kControlChange = 0xB0;
constexpr int kPitchBend = 0xE0;
