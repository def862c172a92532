// The application object: runs the panel as its one window and ends when it closes.
#include "panel_app.h"

#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "device_failure_box.h"
#include "instrument.h"
#include "jack_midi_link.h"
#include "midi_in.h"
#include "midi_menus.h"
#include "nsm_link.h"
#include "osc_link.h"
#include "panel_dlg.h"
#include "panel_icon.h"
#include "preferences.h"
#include "qt_panel_services.h"
#include "quit_on_signal.h"
#include "recording_path.h"
#include "sound_output.h"

CPanelApp::CPanelApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Grainpanel"));
  setDesktopFileName(QStringLiteral("io.github.grainpanel.Grainpanel"));
  setWindowIcon(makePanelIcon());
}

int CPanelApp::InitInstance(const PanelCommand& command) {
  QtPanelServices services;
  Preferences preferences(Preferences::defaultPath());
  preferences.load();
  Instrument instrument(services, userMusicFolder());
  instrument.transport().setPreferences(&preferences);
  // Before the dialog, so that it outlives the menus that call it.
  CMidiIn midi(instrument);
  const JackMidiLink jackMidi(jackOutput(), midi.control().input(MidiControl::kJackInput));
  midi.openInputs(jackMidi.linked());
  CPanelDlg dialog(instrument, services);
  const CDeviceFailureBox failure(dialog, instrument, services);
  auto* menus = new CMidiMenus(dialog, midi.control());
  connect(&midi, &CMidiIn::bindingLearnt, menus, &CMidiMenus::showBindings);
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
    return failure.happened() ? kPanelExitFailed : 0;
  }
  // In a session the window is an optional GUI: closing it only hides it, and the manager ends
  // the panel (SIGTERM). So the loop is the application's, not the dialog's.
  NsmLink session(dialog, instrument);
  if (!session.start(nsmUrl, QFileInfo(arguments().value(0)).fileName().toStdString(), problem)) {
    std::fprintf(stderr, "grainpanel: cannot join the session: %s\n", problem.c_str());
    dialog.exec();
    return 0;
  }
  setQuitOnLastWindowClosed(false);
  dialog.show();
  exec();
  return failure.happened() ? kPanelExitFailed : 0;
}
