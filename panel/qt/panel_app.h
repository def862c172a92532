// The application object: runs the panel as its one window and ends when it closes.
#pragma once

#include <QApplication>
#include <string>

#include "panel_command.h"

class CPanelApp : public QApplication {
  Q_OBJECT

 public:
  CPanelApp(int& argc, char** argv);

  // Runs the panel until it closes (or, in a session, until the manager ends it) and returns
  // the process's exit status: 0, kPanelExitFailed when a sound device failed (said in a box
  // first), or kPanelExitRemote when the OSC port cannot be opened. The command's sound is loaded
  // and played as a dropped file is, once the panel shows.
  int InitInstance(const PanelCommand& command = PanelCommand());
};
