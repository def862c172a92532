// Which controller or note moves which control, kept in a file across runs.
#pragma once

#include <string>

// Record has no control id of its own; its MIDI binding is kept under this one.
constexpr int kRecordControl = 1100;

struct MidiBinding {
  enum Kind { kNone, kController, kNote };
  Kind kind = kNone;
  int number = 0;
};

// One binding per control, and one control per controller or note: binding a source that
// another control holds takes it from that control. The channel heard is 0 for every channel,
// else 1 to 16.
class MidiBindings {
 public:
  // Every control that can be bound: the nine sliders, Method, Run/Stop and Record.
  static constexpr int kControlCount = 12;
  static const int kControls[kControlCount];

  // $XDG_CONFIG_HOME/grainpanel/midi-bindings, with ~/.config when that is unset or relative.
  static std::string defaultPath();

  explicit MidiBindings(std::string path) : m_path(std::move(path)) {}

  // Reads the file; a missing file means no bindings, and lines that make no sense are skipped.
  void load();
  // Writes a temporary file beside the real one, flushes it to disk and renames it over the
  // real one, so a crash leaves either the old bindings or the new, never half of them.
  bool save() const;

  void bind(int id, MidiBinding binding);
  void forget(int id);
  MidiBinding binding(int id) const;
  // The control that `kind` number `number` moves, or 0.
  int controlFor(MidiBinding::Kind kind, int number) const;

  int channel() const { return m_channel; }
  void setChannel(int channel) { m_channel = channel; }

 private:
  static int indexOf(int id);

  std::string m_path;
  MidiBinding m_bindings[kControlCount];
  int m_channel = 0;
};
