// The MIDI learn menu of each slider, Method, Run/Stop and Record, and the bindings' tooltips.
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

  // Lives as long as the dialog; `midi` must outlive it.
  CMidiMenus(CPanelDlg& dlg, MidiControl& midi);

  // Shows each control's binding in its tooltip, under a slider's readout.
  void showBindings();

 private:
  QWidget* widgetOf(int id) const;
  QString bindingText(int id) const;
  void openMenu(int id, const QPoint& at);

  CPanelDlg& m_dlg;
  MidiControl& m_midi;
};
