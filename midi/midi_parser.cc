// The MIDI byte parser.
#include "midi_parser.h"

namespace {

constexpr uint8_t kSysexStart = 0xF0;
constexpr uint8_t kSysexEnd = 0xF7;
constexpr uint8_t kFirstRealtime = 0xF8;

// Data bytes that follow a status byte; program change and channel pressure carry one.
int dataLength(uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 1;
    case 0xF0:
      return status == 0xF2 ? 2 : (status == 0xF1 || status == 0xF3) ? 1 : 0;
    default:
      return 2;
  }
}

}  // namespace

bool MidiParser::feed(uint8_t byte, MidiMessage& message) {
  if (byte >= kFirstRealtime) {
    return false;
  }
  if (byte & 0x80) {
    // Any status but realtime ends a SysEx; a system common one also cancels running status,
    // so its data bytes (kept in m_status until complete) are never read as a channel message.
    m_inSysex = byte == kSysexStart;
    m_status = (m_inSysex || byte == kSysexEnd || dataLength(byte) == 0) ? 0 : byte;
    m_dataCount = 0;
    return false;
  }
  if (m_inSysex || m_status == 0) {
    return false;
  }
  m_data[m_dataCount++] = byte;
  if (m_dataCount < dataLength(m_status)) {
    return false;
  }
  m_dataCount = 0;
  if (m_status >= 0xF0) {
    m_status = 0;
    return false;
  }
  message.status = m_status;
  message.data1 = m_data[0];
  message.data2 = dataLength(m_status) == 2 ? m_data[1] : 0;
  return true;
}
