// The learn menus: a context menu per bindable control, forwarding to MidiControl.
#include "midi_menus.h"

#include <QAbstractButton>
#include <QHelpEvent>
#include <QMenu>
#include <QToolTip>

#include "midi_bindings.h"
#include "midi_control.h"
#include "control_values.h"
#include "panel_dlg.h"
#include "record_control.h"

namespace {

bool isButton(int id) {
  return id == IDC_METHOD || id == IDC_RUN || id == kRecordControl;
}

}  // namespace

CMidiMenus::CMidiMenus(CPanelDlg& dlg, MidiControl& midi)
    : QObject(&dlg), m_dlg(dlg), m_midi(midi) {
  for (int id : MidiBindings::kControls) {
    QWidget* widget = widgetOf(id);
    widget->setContextMenuPolicy(Qt::CustomContextMenu);
    widget->installEventFilter(this);
    connect(widget, &QWidget::customContextMenuRequested, this,
            [this, id, widget](const QPoint& at) { openMenu(id, widget->mapToGlobal(at)); });
  }
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

int CMidiMenus::idOf(const QObject* widget) const {
  for (int id : MidiBindings::kControls) {
    if (widgetOf(id) == widget) {
      return id;
    }
  }
  return 0;
}

QString CMidiMenus::bindingText(int id) const {
  const MidiBinding binding = m_midi.binding(id);
  if (m_midi.learning() == id) {
    return QStringLiteral("MIDI: learning, move a control");
  }
  if (binding.kind == MidiBinding::kNone) {
    return QString();
  }
  const char* kind = binding.kind == MidiBinding::kNote ? "note" : "CC";
  return QStringLiteral("MIDI: %1 %2").arg(QString::fromUtf8(kind)).arg(binding.number);
}

// The buttons have no tooltip of their own; the binding is theirs.
void CMidiMenus::showBindings() {
  for (int id : {IDC_METHOD, IDC_RUN, kRecordControl}) {
    widgetOf(id)->setToolTip(bindingText(id));
  }
}

// The readout keeps the sliders' tooltips current, so their binding joins the tooltip as it shows.
bool CMidiMenus::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ToolTip || isButton(idOf(watched))) {
    return false;
  }
  auto* widget = static_cast<QWidget*>(watched);
  const QString binding = bindingText(idOf(watched));
  if (binding.isEmpty()) {
    return false;
  }
  const QString own = widget->toolTip();
  const QString text = own.isEmpty() ? binding : own + QStringLiteral("\n") + binding;
  QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, widget);
  return true;
}

void CMidiMenus::openMenu(int id, const QPoint& at) {
  QMenu menu(&m_dlg);
  menu.setAccessibleName(QStringLiteral("MIDI"));
  QAction* learn = menu.addAction(QString::fromUtf8(kLearnText));
  QAction* forget = menu.addAction(QString::fromUtf8(kForgetText));
  forget->setEnabled(m_midi.binding(id).kind != MidiBinding::kNone);
  QAction* chosen = menu.exec(at);
  if (chosen == learn) {
    m_midi.learn(id);
  } else if (chosen == forget) {
    m_midi.forget(id);
  }
  showBindings();
}
