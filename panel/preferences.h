// What the panel remembers across runs: a key=value file under the user's configuration folder.
#pragma once

#include <map>
#include <string>

class Preferences {
 public:
  // An empty path keeps the preferences in memory only.
  explicit Preferences(std::string path = "") : m_path(std::move(path)) {}

  // $XDG_CONFIG_HOME/grainpanel/grainpanel.conf, or under ~/.config when that is unset; empty
  // when neither variable says where.
  static std::string defaultPath();

  // Reads the file; a missing or unreadable one leaves every preference at its default.
  void load();
  // Writes every key under a temporary name and renames it over the file, so a crash or a full
  // disk leaves the old file whole. Keys this version does not know are kept.
  bool save() const;

  // Files the strict loader refuses but the converter takes play at once, without asking.
  bool alwaysConvert() const;
  void setAlwaysConvert(bool on);

 private:
  std::string m_path;
  std::map<std::string, std::string> m_values;
};
