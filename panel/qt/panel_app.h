// The application object: runs the panel as its one window and ends when it closes.
#pragma once

#include <QApplication>
#include <string>

class CPanelApp : public QApplication {
  Q_OBJECT

 public:
  CPanelApp(int& argc, char** argv);

  // Runs the panel modally until it closes and returns the process's exit status: 0, or 1 when a
  // sound device failed (said in a box first). A sound
  // path is loaded and played as a dropped file is, once the panel shows.
  int InitInstance(const std::string& soundPath = std::string());
};
