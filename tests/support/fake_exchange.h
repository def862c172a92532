// Stands in for the dialog's exchange: `shown` is what the controls display.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "panel_controls.h"

class FakeExchange : public ControlExchange {
 public:
  void readControls(ControlValues& values) override {
    values = shown;
    log.push_back("read");
  }
  void writeControls(const ControlValues& values) override {
    shown = values;
    log.push_back("write");
    if (onWrite)
      onWrite();
  }

  ControlValues shown;
  std::vector<std::string> log;
  std::function<void()> onWrite;
};
