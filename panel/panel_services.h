// The panel's modal conversations with the user, behind an interface that tests replace.
#pragma once

#include <string>

class PanelServices {
 public:
  virtual ~PanelServices() = default;
  // A message box with OK and Cancel; which button closes it does not matter. `detail`, shown
  // under the text, is empty for none.
  virtual void showMessage(const char* text, const char* detail) = 0;
  // The open dialog for one WAV file. False when the user cancels.
  virtual bool chooseWaveFile(std::string& path) = 0;
  // The open or save dialog for a settings file (NAME.grainpanel). False when the user cancels,
  // and where no dialog can be shown.
  virtual bool chooseSettingsFile(std::string& /*path*/, bool /*saving*/) { return false; }
  // The help box that F1 opens.
  virtual void showHelp(const char* text) = 0;
};
