// The learn menus: a context menu per bindable control, forwarding to MidiControl.
#include "midi_menus.h"

#include <QAbstractButton>
#include <QMenu>

#include "control_values.h"
#include "midi_bindings.h"
#include "midi_control.h"
#include "panel_dlg.h"
#include "readout_line.h"
#include "record_control.h"

CMidiMenus::CMidiMenus(CPanelDlg& dlg, MidiControl& midi)
    : QObject(&dlg), m_dlg(dlg), m_midi(midi) {
  for (int id : MidiBindings::kControls) {
    QWidget* widget = widgetOf(id);
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(widget, &QWidget::customContextMenuRequested, this,
            [this, id, widget](const QPoint& at) { openMenu(id, widget->mapToGlobal(at)); });
  }
  if (auto* readout = m_dlg.findChild<ReadoutLine*>()) {
    readout->setTipTail([this](int id) { return bindingText(id); });
  }
  showBindings();
}

QWidget* CMidiMenus::widgetOf(int id) const {
  if (id != kRecordControl) {
    return m_dlg.control(id);
  }
  for (QAbstractButton* button : m_dlg.findChildren<QAbstractButton*>()) {
    if (button->accessibleName() == QString::fromUtf8(kRecordCaption)) {
      return button;
    }
  }
  return nullptr;
}

QString CMidiMenus::bindingText(int id) const {
  if (m_midi.learning() == id) {
    return QStringLiteral("MIDI: learning, move a control");
  }
  const MidiBinding binding = m_midi.binding(id);
  if (binding.kind == MidiBinding::kNone) {
    return QString();
  }
  const char* kind = binding.kind == MidiBinding::kNote ? "note" : "CC";
  return QStringLiteral("MIDI: %1 %2").arg(QString::fromUtf8(kind)).arg(binding.number);
}

void CMidiMenus::showBindings() {
  // Method, Run/Stop and Record have no tooltip of their own: the binding is all of it.
  for (int id : {int{IDC_METHOD}, int{IDC_RUN}, kRecordControl}) {
    widgetOf(id)->setToolTip(bindingText(id));
  }
  if (auto* readout = m_dlg.findChild<ReadoutLine*>()) {
    readout->refresh();
  }
}

void CMidiMenus::openMenu(int id, const QPoint& at) {
  QMenu menu(&m_dlg);
  menu.setAccessibleName(QStringLiteral("MIDI"));
  QAction* learn = menu.addAction(QString::fromUtf8(kLearnText));
  QAction* forget = menu.addAction(QString::fromUtf8(kForgetText));
  forget->setEnabled(m_midi.binding(id).kind != MidiBinding::kNone);
  // The window's own context menu stays within reach from its controls.
  if (!m_dlg.actions().isEmpty()) {
    menu.addSeparator();
    menu.addActions(m_dlg.actions());
  }
  // Through the actions' signals, so that an entry chosen through accessibility counts too.
  connect(learn, &QAction::triggered, this, [this, id] { m_midi.learn(id); });
  connect(forget, &QAction::triggered, this, [this, id] { m_midi.forget(id); });
  menu.exec(at);
  showBindings();
}
