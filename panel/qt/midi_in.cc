// The MIDI inputs of the running panel and their drain.
#include "midi_in.h"

#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool verbose() {
  const char* value = std::getenv("GRAINPANEL_VERBOSE");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

CMidiIn::CMidiIn(Instrument& instrument, QObject* parent)
    : QObject(parent),
      m_control(instrument, MidiBindings::defaultPath()),
      m_alsa(m_control.input(MidiControl::kAlsaInput)),
      m_bindingsPath(MidiBindings::defaultPath()) {
  m_timer = new QTimer(this);
  m_timer->setInterval(kDrainMs);
  connect(m_timer, &QTimer::timeout, this, &CMidiIn::OnTimer);
  m_timer->start();
}

void CMidiIn::openInputs(bool jackMidi) {
  std::string why;
  if (jackMidi || m_alsa.open(why)) {
    return;
  }
  static bool told = false;
  if (verbose() && !told) {
    told = true;
    std::fprintf(stderr, "MIDI: no input port (no JACK server; %s)\n", why.c_str());
  }
}

void CMidiIn::OnTimer() {
  if (m_control.drain()) {
    emit bindingLearnt();
  }
  if (!m_control.saved() && !m_saveFailureTold) {
    m_saveFailureTold = true;
    std::fprintf(stderr, "MIDI: cannot write the bindings to %s\n", m_bindingsPath.c_str());
  }
}
