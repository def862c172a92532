// Stands in for the panel's message boxes and file dialog, and records what they were asked.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "panel_services.h"

class FakeServices : public PanelServices {
 public:
  void showMessage(const char* text, const char* detail) override {
    messages.push_back(text);
    details.push_back(detail);
  }
  // Answers as `convert` says, ticking the box as `tickAlways` says; records the box like a
  // message.
  bool offerConversion(const char* text, const char* detail, bool& always) override {
    messages.push_back(text);
    details.push_back(detail);
    ++offers;
    always = tickAlways;
    return convert;
  }
  // The next queued path; an empty one, or none, is Cancel.
  bool chooseWaveFile(std::string& path) override {
    path = choices.empty() ? "" : choices.front();
    if (!choices.empty())
      choices.pop_front();
    return !path.empty();
  }
  // Settings files are chosen from the same queue.
  bool chooseSettingsFile(std::string& path, bool) override { return chooseWaveFile(path); }
  void showHelp(const char* text) override { help = text; }

  std::vector<std::string> messages;
  std::vector<std::string> details;
  std::deque<std::string> choices;
  std::string help;
  int offers = 0;
  bool convert = false;
  bool tickAlways = false;
};
