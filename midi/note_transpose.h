// Notes and pitch bend that transpose both Pitch sliders around the positions the user set.
#pragma once

#include <cstdint>

// Middle C (note 60) plays the range as set; each note away from it moves both Pitch sliders by
// that many semitones, the last note held winning; the bend adds up to two semitones either way.
// Releasing every note (with the bend centred) returns the sliders to where they stood.
class NoteTranspose {
 public:
  void noteOn(int note);
  void noteOff(int note);
  // A 14-bit bend value, 8192 at the centre.
  void bend(int value);

  // Given the Pitch positions the instrument shows now, the ones it should show; false when
  // nothing is to be written. A slider moved by other means while transposed is taken as set.
  bool update(int positions[2]);

 private:
  double semitones() const;

  uint8_t m_held[128] = {};
  int m_heldCount = 0;
  int m_bend = 8192;
  bool m_engaged = false;
  int m_base[2] = {0, 0};
  int m_written[2] = {0, 0};
};
