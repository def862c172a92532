// Opens and saves the panel's settings file, keeping what it does not know.
#include "settings_document.h"

#include "take_file.h"

bool SettingsDocument::open(const std::string& path, PanelSettings& settings) {
  SettingsFile file;
  PanelSettings read;
  if (!file.load(path)) {
    m_error = file.error();
    return false;
  }
  if (!readPanelSettings(file, path, read, m_error)) {
    return false;
  }
  m_file = std::move(file);
  m_path = path;
  m_error.clear();
  settings = read;
  return true;
}

bool SettingsDocument::save(const std::string& path, const PanelSettings& settings) {
  SettingsFile file = m_file;
  writePanelSettings(settings, path, file);
  // A take opened and saved again holds the positions as they stand now: its log would no longer
  // start from them.
  for (const char* key : kTakeKeys) {
    file.setAll(key, {});
  }
  if (!file.save(path)) {
    m_error = file.error();
    return false;
  }
  m_file = std::move(file);
  m_path = path;
  m_error.clear();
  return true;
}
