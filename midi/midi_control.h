// MIDI in for the instrument: drains the inputs' queues on the user-interface thread and moves
// the bound controls, transposes Pitch by notes, and learns and forgets bindings.
#pragma once

#include <cstdint>
#include <string>

#include "midi_bindings.h"
#include "midi_message.h"
#include "midi_queue.h"
#include "note_transpose.h"

class Instrument;

class MidiControl {
 public:
  // One queue per input, since each has its own thread: the ALSA port and the JACK port.
  static constexpr int kInputCount = 2;
  static constexpr int kAlsaInput = 0;
  static constexpr int kJackInput = 1;

  // Loads the bindings kept at `bindingsPath`.
  MidiControl(Instrument& instrument, std::string bindingsPath);

  MidiSink& input(int index) { return m_queues[index]; }

  // The next controller moved (for Run/Stop and Record also a note played) binds `id`.
  void learn(int id);
  void forget(int id);
  int learning() const { return m_learning; }
  MidiBinding binding(int id) const { return m_bindings.binding(id); }
  // False when the last change of the bindings could not be written to their file.
  bool saved() const { return m_saved; }

  // Takes every waiting message and applies it; true when a binding was learnt meanwhile. A
  // slider moved many times in one go is set once, to where the last message put it.
  bool drain();
  uint64_t droppedCount() const;

 private:
  bool isButton(int id) const;
  bool handle(const MidiMessage& message);
  void controllerMoved(int channel, int number, int value);
  void moveTo(int id, int value, int valueTop);
  void press(int id);
  void applyPending();

  Instrument& m_instrument;
  MidiQueue m_queues[kInputCount];
  MidiBindings m_bindings;
  NoteTranspose m_transpose;
  int m_learning = 0;
  bool m_saved = true;
  bool m_transposeDirty = false;
  // Where each slider (or Method, 0 or 1) was last sent in this drain, or -1.
  int m_pending[MidiBindings::kControlCount];
  // A 14-bit pair's high half, per channel and controller 0-31, and whether its low half was heard.
  uint8_t m_msb[16][32] = {};
  bool m_pairSeen[16][32] = {};
  // Whether a controller bound to a button stands at or above 64: it presses on the way up.
  bool m_high[128] = {};
};
