// The application object: runs the panel as its one window and ends when it closes.
#include "panel_app.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "instrument.h"
#include "nsm_link.h"
#include "osc_link.h"
#include "panel_dlg.h"
#include "panel_icon.h"
#include "qt_panel_services.h"
#include "quit_on_signal.h"

namespace {

// Where recordings go when the sound's own folder is read-only.
std::string musicFolder() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
  if (folder.isEmpty()) {
    folder = QDir::homePath() + QStringLiteral("/Music");
  }
  return folder.toStdString();
}

}  // namespace

CPanelApp::CPanelApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Grainpanel"));
  setDesktopFileName(QStringLiteral("io.github.grainpanel.Grainpanel"));
  setWindowIcon(makePanelIcon());
}

int CPanelApp::InitInstance(const PanelCommand& command) {
  QtPanelServices services;
  Instrument instrument(services, musicFolder());
  CPanelDlg dialog(instrument, services);
  QuitOnSignal quitOnSignal;
  OscLink osc(instrument);
  std::string problem;
  if (command.oscPort != 0 && !osc.listen(command.oscHost, command.oscPort, problem)) {
    std::fprintf(stderr, "grainpanel: cannot take OSC on %s port %d: %s\n", command.oscHost.c_str(),
                 command.oscPort, problem.c_str());
    return kPanelExitRemote;
  }
  const std::string soundPath = command.soundPath;
  if (!soundPath.empty()) {
    // Loaded from inside the panel's loop, so that a refusal's box stands over the panel.
    QTimer::singleShot(0, &dialog, [&dialog, soundPath] { dialog.OnDropFile(soundPath); });
  }
  const char* nsmUrl = std::getenv("NSM_URL");
  if (nsmUrl == nullptr || nsmUrl[0] == '\0') {
    dialog.exec();
    return 0;
  }
  // In a session the window is an optional GUI: closing it only hides it, and the manager ends
  // the panel (SIGTERM). So the loop is the application's, not the dialog's.
  NsmLink session(dialog, instrument);
  if (!session.start(nsmUrl, QFileInfo(arguments().value(0)).fileName().toStdString(), problem)) {
    std::fprintf(stderr, "grainpanel: cannot join the session: %s\n", problem.c_str());
  }
  setQuitOnLastWindowClosed(false);
  dialog.show();
  exec();
  return 0;
}
