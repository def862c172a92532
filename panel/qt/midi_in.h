// MIDI in for the running panel: the ALSA sequencer port and the timer that drains the inputs.
#pragma once

#include <QObject>
#include <string>

#include "alsa_midi_input.h"
#include "midi_control.h"

class Instrument;
class QTimer;

class CMidiIn : public QObject {
  Q_OBJECT

 public:
  // Often enough that a fader feels direct, rarely enough to cost nothing while idle.
  static constexpr int kDrainMs = 4;

  CMidiIn(Instrument& instrument, QObject* parent = nullptr);

  MidiControl& control() { return m_control; }

  // Opens the ALSA port unless JACK MIDI serves. With neither the panel plays on without MIDI
  // and, with GRAINPANEL_VERBOSE set, says so once on stderr.
  void openInputs(bool jackMidi);

 signals:
  // A control was bound by Learn.
  void bindingLearnt();

 private:
  void OnTimer();

  MidiControl m_control;
  AlsaMidiInput m_alsa;
  QTimer* m_timer = nullptr;
  std::string m_bindingsPath;
  bool m_saveFailureTold = false;
};
