// The real message boxes and file dialog of the panel.
#pragma once

#include "panel_services.h"

class QtPanelServices : public PanelServices {
 public:
  void showMessage(const char* text, const char* detail) override;
  bool offerConversion(const char* text, const char* detail, bool& always) override;
  bool chooseWaveFile(std::string& path) override;
  bool chooseSettingsFile(std::string& path, bool saving) override;
  void showHelp(const char* text) override;
};
