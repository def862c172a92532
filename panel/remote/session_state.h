// The panel's state in a session: the settings file that a session manager points at.
#pragma once

#include <string>

#include "settings_document.h"

class Instrument;

class SessionState {
 public:
  // Sets every control the file sets (the start-up position for any it leaves out) and, when
  // it names a sound, loads it and plays it. A file that does not exist yet is a new session
  // and changes nothing. A file refused changes nothing, with "NAME:LINE: reason" in `problem`.
  bool open(Instrument& instrument, const std::string& path, std::string& problem);
  // Writes the sound, every position, Method and the links atomically, keeping the keys and
  // comments this version does not know of the file opened before.
  bool save(const Instrument& instrument, const std::string& path, std::string& problem);

 private:
  SettingsDocument m_document;
};
