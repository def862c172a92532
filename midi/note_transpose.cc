// The held notes, the bend, and the Pitch positions they give.
#include "note_transpose.h"

#include <algorithm>

#include "midi_mapping.h"

namespace {

constexpr int kMiddleC = 60;
constexpr int kBendCentre = 8192;
constexpr double kBendSemitones = 2.0;

}  // namespace

void NoteTranspose::noteOn(int note) {
  noteOff(note);
  m_held[m_heldCount++] = static_cast<uint8_t>(note);
}

void NoteTranspose::noteOff(int note) {
  uint8_t* end = m_held + m_heldCount;
  m_heldCount = static_cast<int>(std::remove(m_held, end, note) - m_held);
}

void NoteTranspose::bend(int value) {
  m_bend = value;
}

double NoteTranspose::semitones() const {
  const int note = m_heldCount > 0 ? m_held[m_heldCount - 1] : kMiddleC;
  return (note - kMiddleC) + kBendSemitones * (m_bend - kBendCentre) / kBendCentre;
}

bool NoteTranspose::update(int positions[2]) {
  const bool active = m_heldCount > 0 || m_bend != kBendCentre;
  if (!active && !m_engaged) {
    return false;
  }
  for (int i = 0; i < 2; ++i) {
    if (!m_engaged || positions[i] != m_written[i]) {
      m_base[i] = positions[i];
    }
    positions[i] = active ? transposedPitch(m_base[i], semitones()) : m_base[i];
    m_written[i] = positions[i];
  }
  m_engaged = active;
  return true;
}
