// The panel's keys of a settings file: validation, clamping and the sound's relative path.
#include "panel_settings.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "settings_file.h"

const SettingsKey kSliderKeys[9] = {
    {"length1", IDC_LENGTH1}, {"length2", IDC_LENGTH2}, {"pitch1", IDC_PITCH1},
    {"pitch2", IDC_PITCH2},   {"walk", IDC_PITCHWALK},  {"zero", IDC_ZERO},
    {"spread", IDC_SPREAD},   {"speed", IDC_SPEED},     {"fade", IDC_FADE},
};

namespace {

namespace fs = std::filesystem;

bool isDecimal(const std::string& text, bool allowSign) {
  size_t at = allowSign && !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (at == text.size()) {
    return false;
  }
  for (; at < text.size(); ++at) {
    if (text[at] < '0' || text[at] > '9') {
      return false;
    }
  }
  return true;
}

// The folder a file lives in, absolute and without "." or "..".
fs::path folderOf(const std::string& filePath) {
  std::error_code error;
  return fs::absolute(fs::path(filePath), error).lexically_normal().parent_path();
}

// Reads the keys one by one; the first bad value stops it with the reason.
class Reader {
 public:
  Reader(const SettingsFile& file, const std::string& filePath, PanelSettings& settings)
      : m_file(file), m_filePath(filePath), m_settings(settings) {}

  bool readAll() {
    static const char* const kOtherKeys[] = {"sound",      "method", "link-length",
                                             "link-pitch", "seed",   "convert"};
    for (const char* key : kOtherKeys) {
      if (const std::string* value = m_file.find(key); value != nullptr && value->empty()) {
        return bad(key, "no value");
      }
    }
    for (const SettingsKey& slider : kSliderKeys) {
      if (const std::string* value = m_file.find(slider.key); value != nullptr && value->empty()) {
        return bad(slider.key, "no value");
      }
      if (!position(slider)) {
        return false;
      }
    }
    return toggle("method", m_settings.values.m_method) &&
           toggle("link-length", m_settings.values.m_linkLength) &&
           toggle("link-pitch", m_settings.values.m_linkPitch) && seed() && convert() && sound();
  }

  const std::string& problem() const { return m_problem; }

 private:
  bool bad(const char* key, const std::string& reason) {
    m_problem = m_filePath + ":" + std::to_string(m_file.lineOf(key)) + ": " + key + ": " + reason;
    return false;
  }

  // As on grainrender's command line, a position far beyond any range lands at the end.
  bool position(const SettingsKey& slider) {
    const std::string* value = m_file.find(slider.key);
    if (value == nullptr) {
      return true;
    }
    if (!isDecimal(*value, true)) {
      return bad(slider.key, "not a whole number: " + *value);
    }
    const long long position = std::strtoll(value->c_str(), nullptr, 10);
    *sliderMember(m_settings.values, slider.id) = shownPosition(slider.id, position);
    return true;
  }

  bool toggle(const char* key, int& member) {
    const std::string* value = m_file.find(key);
    if (value == nullptr) {
      return true;
    }
    if (*value != "0" && *value != "1") {
      return bad(key, "0 or 1, not " + *value);
    }
    member = (*value)[0] - '0';
    return true;
  }

  bool seed() {
    const std::string* value = m_file.find("seed");
    if (value == nullptr) {
      return true;
    }
    uint64_t seed = 0;
    if (!parseWholeNumber(*value, UINT32_MAX, seed)) {
      return bad("seed", "a whole number from 0 to 4294967295, not " + *value);
    }
    m_settings.seedKept = true;
    m_settings.seed = static_cast<uint32_t>(seed);
    return true;
  }

  bool convert() {
    int on = m_settings.convert ? 1 : 0;
    if (!toggle("convert", on)) {
      return false;
    }
    m_settings.convert = on != 0;
    return true;
  }

  bool sound() {
    const std::string* value = m_file.find("sound");
    if (value == nullptr) {
      return true;
    }
    const fs::path path = *value;
    m_settings.soundPath = path.is_absolute() ? *value : (folderOf(m_filePath) / path).string();
    return true;
  }

  const SettingsFile& m_file;
  const std::string& m_filePath;
  PanelSettings& m_settings;
  std::string m_problem;
};

// The sound as the file names it: relative inside the file's folder, so the two move together.
std::string soundEntry(const std::string& soundPath, const std::string& filePath) {
  std::error_code error;
  const fs::path sound = fs::absolute(fs::path(soundPath), error).lexically_normal();
  const fs::path folder = folderOf(filePath);
  const fs::path relative = sound.lexically_relative(folder);
  if (!relative.empty() && *relative.begin() != "..") {
    return relative.string();
  }
  return sound.string();
}

}  // namespace

bool parseWholeNumber(const std::string& text, uint64_t limit, uint64_t& value) {
  if (!isDecimal(text, false)) {
    return false;
  }
  errno = 0;
  const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed > limit) {
    return false;
  }
  value = parsed;
  return true;
}

bool readPanelSettings(const SettingsFile& file, const std::string& filePath,
                       PanelSettings& settings, std::string& problem) {
  PanelSettings read = settings;
  Reader reader(file, filePath, read);
  if (!reader.readAll()) {
    problem = reader.problem();
    return false;
  }
  settings = read;
  return true;
}

void writePanelSettings(const PanelSettings& settings, const std::string& filePath,
                        SettingsFile& file) {
  if (settings.soundPath.empty()) {
    file.remove("sound");
  } else {
    file.set("sound", soundEntry(settings.soundPath, filePath));
  }
  ControlValues values = settings.values;
  for (const SettingsKey& slider : kSliderKeys) {
    file.set(slider.key, std::to_string(*sliderMember(values, slider.id)));
  }
  file.set("method", std::to_string(values.m_method));
  file.set("link-length", std::to_string(values.m_linkLength));
  file.set("link-pitch", std::to_string(values.m_linkPitch));
  if (settings.convert || file.find("convert") != nullptr) {
    file.set("convert", settings.convert ? "1" : "0");
  }
  if (settings.seedKept) {
    file.set("seed", std::to_string(settings.seed));
  } else {
    file.remove("seed");
  }
}
