// What the panel remembers across runs: a key=value file under the user's configuration folder.
#include "preferences.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

constexpr const char* kAlwaysConvertKey = "always-convert";

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos)
    return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Makes every folder on the way to `path`'s file; one that exists already is fine.
void makeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
  }
}

}  // namespace

std::string Preferences::defaultPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.config";
  } else {
    return "";
  }
  return base + "/grainpanel/grainpanel.conf";
}

void Preferences::load() {
  if (m_path.empty())
    return;
  std::ifstream in(m_path);
  std::string line;
  while (std::getline(in, line)) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos || trimmed(line).rfind('#', 0) == 0)
      continue;
    m_values[trimmed(line.substr(0, equals))] = trimmed(line.substr(equals + 1));
  }
}

bool Preferences::save() const {
  if (m_path.empty())
    return true;
  makeFolders(m_path);
  const std::string temporary = m_path + ".tmp" + std::to_string(getpid());
  FILE* out = std::fopen(temporary.c_str(), "w");
  if (out == nullptr)
    return false;
  bool written = true;
  for (const auto& [key, value] : m_values) {
    written = std::fprintf(out, "%s=%s\n", key.c_str(), value.c_str()) > 0 && written;
  }
  written = std::fflush(out) == 0 && fsync(fileno(out)) == 0 && written;
  written = std::fclose(out) == 0 && written;
  if (!written || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

bool Preferences::alwaysConvert() const {
  const auto found = m_values.find(kAlwaysConvertKey);
  return found != m_values.end() && found->second == "yes";
}

void Preferences::setAlwaysConvert(bool on) {
  m_values[kAlwaysConvertKey] = on ? "yes" : "no";
}
