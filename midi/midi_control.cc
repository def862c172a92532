// Applying MIDI messages to the instrument.
#include "midi_control.h"

#include <algorithm>

#include "control_values.h"
#include "instrument.h"
#include "midi_mapping.h"

namespace {

constexpr int kPairOffset = 32;
constexpr int kSwitchOn = 64;

const SliderRange* rangeOf(int id) {
  for (const SliderRange& range : kSliderRanges) {
    if (range.id == id) {
      return &range;
    }
  }
  return nullptr;
}

int indexOf(int id) {
  const int* end = MidiBindings::kControls + MidiBindings::kControlCount;
  return static_cast<int>(std::find(MidiBindings::kControls, end, id) - MidiBindings::kControls);
}

}  // namespace

MidiControl::MidiControl(Instrument& instrument, std::string bindingsPath)
    : m_instrument(instrument), m_bindings(std::move(bindingsPath)) {
  m_bindings.load();
  std::fill(std::begin(m_pending), std::end(m_pending), -1);
}

void MidiControl::learn(int id) {
  m_learning = id;
}

void MidiControl::forget(int id) {
  if (m_learning == id) {
    m_learning = 0;
  }
  m_bindings.forget(id);
  m_saved = m_bindings.save();
}

bool MidiControl::isButton(int id) const {
  return id == IDC_RUN || id == kRecordControl;
}

uint64_t MidiControl::droppedCount() const {
  uint64_t dropped = 0;
  for (const MidiQueue& queue : m_queues) {
    dropped += queue.droppedCount();
  }
  return dropped;
}

bool MidiControl::drain() {
  bool learnt = false;
  MidiMessage message;
  for (MidiQueue& queue : m_queues) {
    while (queue.pop(message)) {
      const int channel = m_bindings.channel();
      if (channel == 0 || message.channel() + 1 == channel) {
        learnt |= handle(message);
      }
    }
  }
  applyPending();
  return learnt;
}

bool MidiControl::handle(const MidiMessage& message) {
  const bool noteOn = message.kind() == kNoteOn && message.data2 > 0;
  const bool noteOff = message.kind() == kNoteOff || (message.kind() == kNoteOn && !noteOn);
  if (m_learning != 0 && (message.kind() == kControlChange || (noteOn && isButton(m_learning)))) {
    const auto kind = noteOn ? MidiBinding::kNote : MidiBinding::kController;
    m_bindings.bind(m_learning, {kind, message.data1});
    m_saved = m_bindings.save();
    m_learning = 0;
    m_high[message.data1] = message.data2 >= kSwitchOn;
    return true;
  }
  if (message.kind() == kControlChange) {
    controllerMoved(message.channel(), message.data1, message.data2);
  } else if (noteOn || noteOff) {
    const int bound = m_bindings.controlFor(MidiBinding::kNote, message.data1);
    if (bound != 0) {
      if (noteOn) {
        press(bound);
      }
    } else {
      noteOn ? m_transpose.noteOn(message.data1) : m_transpose.noteOff(message.data1);
      m_transposeDirty = true;
    }
  } else if (message.kind() == kPitchBend) {
    m_transpose.bend(message.data2 << 7 | message.data1);
    m_transposeDirty = true;
  }
  return false;
}

void MidiControl::controllerMoved(int channel, int number, int value) {
  if (number < kPairOffset) {
    m_msb[channel][number] = static_cast<uint8_t>(value);
  } else if (number < 2 * kPairOffset) {
    const int high = number - kPairOffset;
    const int paired = m_bindings.controlFor(MidiBinding::kController, high);
    if (paired != 0 && rangeOf(paired) != nullptr) {
      m_pairSeen[channel][high] = true;
      moveTo(paired, m_msb[channel][high] << 7 | value, kControllerTop14);
    }
  }
  const int id = m_bindings.controlFor(MidiBinding::kController, number);
  if (id == 0) {
    return;
  }
  if (rangeOf(id) != nullptr) {
    // Once a pair's low half has been heard, its high half alone stands for the 14-bit value
    // with a low half of 0, as the low half that follows will complete it.
    if (number < kPairOffset && m_pairSeen[channel][number]) {
      moveTo(id, value << 7, kControllerTop14);
    } else {
      moveTo(id, value, kControllerTop7);
    }
  } else if (id == IDC_METHOD) {
    m_pending[indexOf(id)] = value >= kSwitchOn ? 1 : 0;
  } else {
    const bool wasHigh = m_high[number];
    m_high[number] = value >= kSwitchOn;
    if (m_high[number] && !wasHigh) {
      press(id);
    }
  }
}

void MidiControl::moveTo(int id, int value, int valueTop) {
  const SliderRange* range = rangeOf(id);
  m_pending[indexOf(id)] = controllerPosition(range->low, range->high, value, valueTop);
  m_transposeDirty |= id == IDC_PITCH1 || id == IDC_PITCH2;
}

void MidiControl::press(int id) {
  if (id == IDC_RUN) {
    m_instrument.OnRunStop();
  } else if (id == kRecordControl) {
    m_instrument.OnRecord();
  }
}

void MidiControl::applyPending() {
  for (int i = 0; i < MidiBindings::kControlCount; ++i) {
    const int id = MidiBindings::kControls[i];
    if (m_pending[i] >= 0) {
      id == IDC_METHOD ? m_instrument.setMethod(m_pending[i])
                       : m_instrument.setPosition(id, m_pending[i]);
      m_pending[i] = -1;
    }
  }
  if (!m_transposeDirty) {
    return;
  }
  m_transposeDirty = false;
  int pitch[2] = {m_instrument.position(IDC_PITCH1), m_instrument.position(IDC_PITCH2)};
  if (m_transpose.update(pitch)) {
    m_instrument.setPosition(IDC_PITCH1, pitch[0]);
    m_instrument.setPosition(IDC_PITCH2, pitch[1]);
  }
}
