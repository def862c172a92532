// Settings files and grainrender commands for the instrument: Ctrl+S, Ctrl+O, a dropped or named
// settings file, and the command that renders the current Run. No Qt here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "control_values.h"
#include "instrument_listener.h"
#include "settings_document.h"

class Instrument;
class PanelServices;

constexpr const char* kSettingsSuffix = ".grainpanel";
constexpr const char* kOpenSettingsFailedText = "Cannot open the settings file";
constexpr const char* kSaveSettingsFailedText = "Cannot save the settings file";
constexpr const char* kSettingsWarningText = "The settings file was opened with a warning";

// True for a name that ends in ".grainpanel".
bool isSettingsPath(const std::string& path);

class SettingsControl : private InstrumentListener {
 public:
  SettingsControl(Instrument& instrument, PanelServices& services);
  ~SettingsControl() override;
  SettingsControl(const SettingsControl&) = delete;
  SettingsControl& operator=(const SettingsControl&) = delete;

  // Saves to the file last opened or saved, asking for a name the first time.
  void OnSave();
  // Asks for a settings file and opens it.
  void OnOpen();
  // Sets every control the file sets and, when it names a sound, loads it and plays it (with the
  // file's seed when it keeps one). A file refused, or a sound refused, changes no control: the
  // message says why.
  bool openSettings(const std::string& path);
  // Called once a file's controls are set and before its sound starts: a window that applies
  // positions as it paints them paints them here, so that no paint reaches the new Run.
  void setSettle(std::function<void()> settle) { m_settle = std::move(settle); }
  // Saves to `path` and makes it the file Ctrl+S saves to; a failure is shown and returns false.
  bool saveSettings(const std::string& path);
  // A control or the sound changed since the file was last opened or saved (a session manager
  // asks).
  bool dirty() const { return m_dirty; }
  // The grainrender command that renders the current (or last) Run until its first control
  // change; empty before the first Run.
  std::string renderCommand() const;
  // The current positions, sound and kept seed as a settings file would hold them.
  PanelSettings settings() const;

  const SettingsDocument& document() const { return m_document; }

 private:
  void playbackShown(bool playing) override;
  void controlsChanged() override { m_dirty = true; }
  void soundChanged() override { m_dirty = true; }
  void setControls(const ControlValues& values);

  Instrument& m_instrument;
  PanelServices& m_services;
  SettingsDocument m_document;
  // The seed of the file opened last, which saving keeps.
  bool m_seedKept = false;
  uint32_t m_seed = 0;
  bool m_dirty = false;
  std::function<void()> m_settle;
  // What the current Run started from.
  bool m_ran = false;
  ControlValues m_runValues;
  uint32_t m_runSeed = 0;
  std::string m_runSound;
  bool m_runConverted = false;
};
