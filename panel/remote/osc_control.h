// The remote control's vocabulary: turns /grainpanel/... messages into the instrument's
// operations and counts what it refuses. No sockets here.
#pragma once

#include <vector>

#include "osc_message.h"

class Instrument;

enum class OscVerdict {
  kApplied,
  kWrongTypes,
  kBadValue,
  kUnknownAddress,
  kNoSound,
  kOversized,
  kMalformed
};

struct OscCounts {
  int applied = 0;
  int wrongTypes = 0;
  int badValue = 0;
  int unknownAddress = 0;
  int noSound = 0;
  int oversized = 0;
  int malformed = 0;

  int refused() const {
    return wrongTypes + badValue + unknownAddress + noSound + oversized + malformed;
  }
};

// The largest packet the remote control reads; every message it knows takes under 40 bytes.
constexpr int kOscMaxPacketBytes = 1024;

class OscControl {
 public:
  explicit OscControl(Instrument& instrument);

  // Applies one message whole or not at all, on the user-interface thread. Run with no sound
  // loaded is refused rather than answered with the panel's message box. Only /grainpanel/get
  // answers, into `replies`, one message for each slider and one for Method, with the addresses
  // that set them.
  OscVerdict apply(const OscMessage& message, std::vector<OscMessage>& replies);
  // A packet that never became a message: too large, or not OSC.
  void count(OscVerdict verdict);

  const OscCounts& counts() const { return m_counts; }

 private:
  OscVerdict dispatch(const OscMessage& message, std::vector<OscMessage>& replies);

  Instrument& m_instrument;
  OscCounts m_counts;
};

// The words for a verdict in the verbose log: "unknown address", "wrong types", ...
const char* verdictText(OscVerdict verdict);
