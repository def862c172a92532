// The panel's modal conversations with the user, behind an interface that tests replace.
#pragma once

#include <string>

class PanelServices {
 public:
  virtual ~PanelServices() = default;
  // A message box with OK and Cancel; which button closes it does not matter. `detail`, shown
  // under the text, is empty for none.
  virtual void showMessage(const char* text, const char* detail) = 0;
  // The box for a refused file that the converter takes: the same text and detail as
  // showMessage, with "Convert and play" (the default) beside OK and the check box "Always
  // convert such files", which `always` sets up and receives. True for Convert and play.
  virtual bool offerConversion(const char* text, const char* detail, bool& always) = 0;
  // The open dialog for one sound file, listing every file the panel can read. False when the
  // user cancels.
  virtual bool chooseWaveFile(std::string& path) = 0;
  // The open or save dialog for a settings file (NAME.grainpanel). False when the user cancels,
  // and where no dialog can be shown.
  virtual bool chooseSettingsFile(std::string& /*path*/, bool /*saving*/) { return false; }
  // The help box that F1 opens.
  virtual void showHelp(const char* text) = 0;
};
