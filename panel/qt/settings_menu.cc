// The settings actions: each one line into SettingsControl, the copy onto the clipboard.
#include "settings_menu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>

#include "panel_dlg.h"
#include "panel_services.h"
#include "settings_control.h"
#include "transport.h"

CSettingsMenu::CSettingsMenu(CPanelDlg& dlg, SettingsControl& settings)
    : QObject(&dlg), m_dlg(dlg), m_settings(settings) {
  auto* save = new QAction(QStringLiteral("Save Settings"), &dlg);
  save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  connect(save, &QAction::triggered, this, [this] { m_settings.OnSave(); });
  auto* open = new QAction(QStringLiteral("Open Settings..."), &dlg);
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(open, &QAction::triggered, this, [this] { m_settings.OnOpen(); });
  auto* copy = new QAction(QStringLiteral("Copy as grainrender Command"), &dlg);
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
  connect(copy, &QAction::triggered, this, &CSettingsMenu::OnCopyCommand);
  for (QAction* action : {save, open, copy}) {
    action->setShortcutContext(Qt::WindowShortcut);
    dlg.addAction(action);
  }
  dlg.setContextMenuPolicy(Qt::ActionsContextMenu);
}

// Before the first Run there is no command to give, as Run says without a sound.
void CSettingsMenu::OnCopyCommand() {
  const std::string command = m_settings.renderCommand();
  if (command.empty()) {
    m_dlg.services().showMessage(kSelectFileText, "");
    return;
  }
  QGuiApplication::clipboard()->setText(QString::fromStdString(command));
}
