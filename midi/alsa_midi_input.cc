// The ALSA sequencer input over RtMidi.
#include "alsa_midi_input.h"

#include <RtMidi.h>
#include <unistd.h>

#include <vector>

#include "midi_sink.h"

namespace {

constexpr const char* kPortName = "Grainpanel";

void forward(double, std::vector<unsigned char>* message, void* sink) {
  static_cast<MidiSink*>(sink)->receive(message->data(), message->size());
}

// RtMidi prints its warnings unless given somewhere else to put them.
void keepQuiet(RtMidiError::Type, const std::string&, void*) {}

}  // namespace

AlsaMidiInput::AlsaMidiInput(MidiSink& sink) : m_sink(sink) {}

AlsaMidiInput::~AlsaMidiInput() = default;

bool AlsaMidiInput::open(std::string& why, const char* devicePath) {
  if (access(devicePath, R_OK | W_OK) != 0) {
    why = std::string("no ALSA sequencer (") + devicePath + ")";
    return false;
  }
  // RtMidi reports a failure to open by throwing; that stays inside this function.
  try {
    auto in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kPortName);
    in->setErrorCallback(keepQuiet);
    in->setCallback(forward, &m_sink);
    in->openVirtualPort(kPortName);
    m_in = std::move(in);
    return true;
  } catch (const RtMidiError& error) {
    why = "ALSA sequencer: " + error.getMessage();
    return false;
  }
}
