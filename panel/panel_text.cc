// Slider values in a musician's units, taken from the mappings the engine's setters get, so the
// readouts can never disagree with what is heard.
#include "panel_text.h"

#include <cmath>
#include <cstdio>

#include "sample_rate.h"

namespace {

constexpr char kMinus[] = "\u2212";

// `decimals` places, with a true minus sign; a value that rounds to zero has no sign.
std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(value));
  const std::string digits = text;
  if (value < 0.0 && digits.find_first_not_of("0.") != std::string::npos) {
    return kMinus + digits;
  }
  return digits;
}

// At most `decimals` places, without trailing zeros.
std::string trimmed(double value, int decimals) {
  std::string text = fixed(value, decimals);
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
      text.pop_back();
    }
  }
  return text;
}

// Three significant figures: a 1-sample fade is 0.0227 ms, the longest hold 90.7 ms.
std::string milliseconds(int samples) {
  if (samples == 0) {
    return "0 ms";
  }
  const double ms = samples * 1000.0 / kSampleRate;
  char text[64];
  std::snprintf(text, sizeof text, ms < 100.0 ? "%#.3g ms" : "%.0f ms", ms);
  return text;
}

std::string duration(int samples) {
  return std::to_string(samples) + (samples == 1 ? " sample (" : " samples (") +
         milliseconds(samples) + ")";
}

// Semitones are 12 log2 |rate|: the sign of the rate only says which way the head reads.
std::string rateText(float rate) {
  if (rate == 0.0f) {
    return "rate 0 (frozen)";
  }
  const double semitones = 12.0 * std::log2(std::fabs(static_cast<double>(rate)));
  std::string shift = fixed(semitones, 1);
  if (semitones > 0.0 && shift != "0.0") {
    shift = "+" + shift;
  }
  return "rate " + trimmed(rate, 5) + " (" + shift + " semitones" +
         (rate < 0.0f ? ", backwards)" : ")");
}

std::string percent(double share, int decimals) {
  return fixed(share * 100.0, decimals) + " %";
}

}  // namespace

std::string readoutText(int id, const ControlValues& v, int frameCount) {
  switch (id) {
    case IDC_LENGTH1:
      return "Length 1: " + duration(lengthEnd(v.m_length1));
    case IDC_LENGTH2:
      return "Length 2: " + duration(lengthEnd(v.m_length2));
    case IDC_PITCH1:
      return "Pitch 1: " + rateText(pitchRate(v.m_pitch1));
    case IDC_PITCH2:
      return "Pitch 2: " + rateText(pitchRate(v.m_pitch2));
    case IDC_PITCHWALK:
      // A linked pair gives the engine a range of one rate, so the walk has no width.
      return "Walk: " + trimmed(walkScale(v.m_pitchWalk) * 100.0, 4) +
             " % of the range per sample" +
             (v.m_linkPitch != 0 ? " (none while Pitch is linked)" : "");
    case IDC_ZERO:
      return "Zero: " + percent(zeroChance(v.m_zero), 1) + " of grains silent";
    case IDC_SPREAD: {
      const float share = spreadFraction(v.m_spread);
      std::string text = "Spread: " + percent(share, 2) + " of the sound";
      if (frameCount > 0) {
        text += " (" + fixed(share * static_cast<double>(frameCount) / kSampleRate, 3) + " s)";
      }
      return text;
    }
    case IDC_SPEED: {
      const float speed = locationSpeed(v.m_speed);
      return "Speed: " + trimmed(speed, 4) + " \u00d7 the sound's own speed" +
             (speed == 0.0f ? " (standing still)" : "");
    }
    case IDC_FADE:
      return "Fade: " + duration(v.m_fade);
    default:
      return std::string();
  }
}

std::string panelTitle(const std::string& soundPath) {
  if (soundPath.empty()) {
    return "Grainpanel";
  }
  return soundPath.substr(soundPath.find_last_of('/') + 1) + " \u2014 Grainpanel";
}
