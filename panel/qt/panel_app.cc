// The application object: runs the panel as its one window and ends when it closes.
#include "panel_app.h"

#include "panel_dlg.h"
#include "panel_icon.h"
#include "qt_panel_services.h"

CPanelApp::CPanelApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Grainpanel"));
  setDesktopFileName(QStringLiteral("io.github.grainpanel.Grainpanel"));
  setWindowIcon(makePanelIcon());
}

int CPanelApp::InitInstance() {
  QtPanelServices services;
  CPanelDlg dialog(services);
  dialog.exec();
  return 0;
}
