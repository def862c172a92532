// Where raw MIDI bytes arrive from any input (ALSA sequencer via RtMidi, JACK MIDI).
#pragma once

#include <cstddef>
#include <cstdint>

class MidiSink {
 public:
  virtual ~MidiSink() = default;
  // Called on the input's own thread (a JACK process callback: must not allocate, lock or wait).
  virtual void receive(const uint8_t* bytes, size_t count) = 0;
};
