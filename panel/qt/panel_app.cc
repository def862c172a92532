// The application object: runs the panel as its one window and ends when it closes.
#include "panel_app.h"

#include <QDir>
#include <QStandardPaths>
#include <QTimer>

#include "instrument.h"
#include "panel_dlg.h"
#include "panel_icon.h"
#include "preferences.h"
#include "qt_panel_services.h"

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

int CPanelApp::InitInstance(const std::string& soundPath) {
  QtPanelServices services;
  Preferences preferences(Preferences::defaultPath());
  preferences.load();
  Instrument instrument(services, musicFolder());
  instrument.transport().setPreferences(&preferences);
  CPanelDlg dialog(instrument, services);
  if (!soundPath.empty()) {
    // Loaded from inside the panel's loop, so that a refusal's box stands over the panel.
    QTimer::singleShot(0, &dialog, [&dialog, soundPath] { dialog.OnDropFile(soundPath); });
  }
  dialog.exec();
  return 0;
}
