// The MIDI learn menu of each slider, Method, Run/Stop and Record, and their bindings' tooltips.
#pragma once

#include <QObject>
#include <QString>

class CPanelDlg;
class MidiControl;
class QPoint;
class QWidget;

class CMidiMenus : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kLearnText = "Learn MIDI control";
  static constexpr const char* kForgetText = "Forget MIDI control";

  CMidiMenus(CPanelDlg& dlg, MidiControl& midi);

  // Shows each control's binding after the control's own tooltip.
  void showBindings();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* widgetOf(int id) const;
  int idOf(const QObject* widget) const;
  QString bindingText(int id) const;
  void openMenu(int id, const QPoint& at);

  CPanelDlg& m_dlg;
  MidiControl& m_midi;
};
