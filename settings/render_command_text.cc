// Builds grainrender's command line from a Run's sound, positions and seed.
#include "render_command_text.h"

#include <filesystem>

#include "panel_settings.h"

std::string shellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return quoted + "'";
}

namespace {

// A name of plain characters needs no quotes; anything else gets them.
std::string shellWord(const std::string& text) {
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '.' || c == '/' || c == '-';
    if (!plain) {
      return shellQuoted(text);
    }
  }
  return text.empty() || text[0] == '-' ? shellQuoted(text) : text;
}

}  // namespace

std::string renderCommandText(const std::string& soundPath, const ControlValues& values,
                              uint32_t seed, bool convert, const std::string& outputPath) {
  std::error_code error;
  const std::string sound = std::filesystem::absolute(soundPath, error).lexically_normal().string();
  std::string command = "grainrender " + shellQuoted(sound) + " " + shellWord(outputPath);
  if (convert) {
    command += " --convert";
  }
  ControlValues positions = values;
  for (const SettingsKey& slider : kSliderKeys) {
    command +=
        std::string(" --") + slider.key + " " + std::to_string(*sliderMember(positions, slider.id));
  }
  command += " --method " + std::to_string(values.m_method) + " --seed " + std::to_string(seed);
  return command;
}
