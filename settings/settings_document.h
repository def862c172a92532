// The settings file a panel has open: where it lives and what it holds, so that saving again
// goes to the same place and keeps the keys this version does not know.
#pragma once

#include <string>
#include <vector>

#include "panel_settings.h"
#include "settings_file.h"

class SettingsDocument {
 public:
  // Reads `path` whole. On success `settings` holds what it sets (over the start-up state) and
  // the document is that file; on failure nothing changes and error() says where and why.
  bool open(const std::string& path, PanelSettings& settings);
  // Writes `settings` to `path` atomically, with the unknown keys and comments of the file open
  // before; the document is then that file.
  bool save(const std::string& path, const PanelSettings& settings);

  // Empty until a file is opened or saved.
  const std::string& path() const { return m_path; }
  const std::string& error() const { return m_error; }
  const std::vector<std::string>& warnings() const { return m_file.warnings(); }

 private:
  SettingsFile m_file;
  std::string m_path;
  std::string m_error;
};
