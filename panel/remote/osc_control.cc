// Maps each /grainpanel/... address to one instrument operation.
#include "osc_control.h"

#include <cmath>

#include "control_values.h"
#include "instrument.h"

namespace {

constexpr char kPrefix[] = "/grainpanel/";

struct SliderAddress {
  const char* name;
  int id;
};

// Named as grainrender's options, in the order /grainpanel/get answers.
constexpr SliderAddress kSliderAddresses[] = {
    {"length1", IDC_LENGTH1}, {"length2", IDC_LENGTH2}, {"pitch1", IDC_PITCH1},
    {"pitch2", IDC_PITCH2},   {"walk", IDC_PITCHWALK},  {"zero", IDC_ZERO},
    {"spread", IDC_SPREAD},   {"speed", IDC_SPEED},     {"fade", IDC_FADE},
};

const SliderRange* rangeOf(int id) {
  for (const SliderRange& range : kSliderRanges) {
    if (range.id == id) {
      return &range;
    }
  }
  return nullptr;
}

// 0 is the slider's low end and 1 its high end; rounded to the nearest position.
int positionOfFraction(const SliderRange& range, float fraction) {
  const double clamped = std::fmin(std::fmax(static_cast<double>(fraction), 0.0), 1.0);
  return range.low + static_cast<int>(std::lround(clamped * (range.high - range.low)));
}

OscMessage intMessage(const std::string& path, int value) {
  OscMessage message;
  message.path = path;
  message.args.push_back(oscInt(value));
  return message;
}

}  // namespace

OscControl::OscControl(Instrument& instrument) : m_instrument(instrument) {}

OscVerdict OscControl::apply(const OscMessage& message, std::vector<OscMessage>& replies) {
  const OscVerdict verdict = dispatch(message, replies);
  count(verdict);
  return verdict;
}

void OscControl::count(OscVerdict verdict) {
  switch (verdict) {
    case OscVerdict::kApplied:
      ++m_counts.applied;
      break;
    case OscVerdict::kWrongTypes:
      ++m_counts.wrongTypes;
      break;
    case OscVerdict::kBadValue:
      ++m_counts.badValue;
      break;
    case OscVerdict::kUnknownAddress:
      ++m_counts.unknownAddress;
      break;
    case OscVerdict::kNoSound:
      ++m_counts.noSound;
      break;
    case OscVerdict::kOversized:
      ++m_counts.oversized;
      break;
    case OscVerdict::kMalformed:
      ++m_counts.malformed;
      break;
  }
}

OscVerdict OscControl::dispatch(const OscMessage& message, std::vector<OscMessage>& replies) {
  const std::string& path = message.path;
  if (path.compare(0, sizeof kPrefix - 1, kPrefix) != 0) {
    return OscVerdict::kUnknownAddress;
  }
  const std::string name = path.substr(sizeof kPrefix - 1);
  const std::string types = message.types();
  for (const SliderAddress& slider : kSliderAddresses) {
    if (name != slider.name) {
      continue;
    }
    if (types == "i") {
      m_instrument.setPosition(slider.id, message.args[0].i);
    } else if (types == "f") {
      if (std::isnan(message.args[0].f)) {
        return OscVerdict::kBadValue;
      }
      m_instrument.setPosition(slider.id,
                               positionOfFraction(*rangeOf(slider.id), message.args[0].f));
    } else {
      return OscVerdict::kWrongTypes;
    }
    return OscVerdict::kApplied;
  }
  if (name == "method" || name == "record") {
    if (types != "i") {
      return OscVerdict::kWrongTypes;
    }
    const int32_t on = message.args[0].i;
    if (on != 0 && on != 1) {
      return OscVerdict::kBadValue;
    }
    if (name == "method") {
      m_instrument.setMethod(on);
    } else {
      m_instrument.setRecord(on == 1);
    }
    return OscVerdict::kApplied;
  }
  if (name == "run" || name == "stop" || name == "get") {
    if (!types.empty()) {
      return OscVerdict::kWrongTypes;
    }
    if (name == "get") {
      for (const SliderAddress& slider : kSliderAddresses) {
        replies.push_back(
            intMessage(kPrefix + std::string(slider.name), m_instrument.position(slider.id)));
      }
      replies.push_back(
          intMessage(std::string(kPrefix) + "method", m_instrument.position(IDC_METHOD)));
    } else if (m_instrument.playing() != (name == "run")) {
      if (m_instrument.frameCount() == 0) {
        return OscVerdict::kNoSound;
      }
      m_instrument.OnRunStop();
    }
    return OscVerdict::kApplied;
  }
  return OscVerdict::kUnknownAddress;
}

const char* verdictText(OscVerdict verdict) {
  switch (verdict) {
    case OscVerdict::kApplied:
      return "applied";
    case OscVerdict::kWrongTypes:
      return "wrong types";
    case OscVerdict::kBadValue:
      return "bad value";
    case OscVerdict::kUnknownAddress:
      return "unknown address";
    case OscVerdict::kNoSound:
      return "no sound loaded";
    case OscVerdict::kOversized:
      return "oversized packet";
    case OscVerdict::kMalformed:
      return "not an OSC message";
  }
  return "";
}
