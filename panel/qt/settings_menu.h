// The panel's settings commands as actions: Ctrl+S, Ctrl+O and Ctrl+Shift+C, also in the
// window's context menu.
#pragma once

#include <QObject>

class CPanelDlg;
class SettingsControl;

class CSettingsMenu : public QObject {
  Q_OBJECT

 public:
  // Adds the actions to `dlg`, whose context menu lists them, and forwards them to `settings`.
  CSettingsMenu(CPanelDlg& dlg, SettingsControl& settings);

  void OnCopyCommand();

 private:
  CPanelDlg& m_dlg;
  SettingsControl& m_settings;
};
