// The ALSA sequencer input port "Grainpanel", through RtMidi, handing its bytes to a MidiSink.
#pragma once

#include <memory>
#include <string>

class MidiSink;
class RtMidiIn;

class AlsaMidiInput {
 public:
  explicit AlsaMidiInput(MidiSink& sink);
  ~AlsaMidiInput();
  AlsaMidiInput(const AlsaMidiInput&) = delete;
  AlsaMidiInput& operator=(const AlsaMidiInput&) = delete;

  // Opens the port; false, with the reason in `why`, where there is no sequencer. `devicePath`
  // is looked at first, so a machine without one is told apart without a word from ALSA.
  bool open(std::string& why, const char* devicePath = "/dev/snd/seq");

 private:
  MidiSink& m_sink;
  std::unique_ptr<RtMidiIn> m_in;
};
