// The line under the panel's controls: the slider being moved or holding the focus, or else what
// was converted to play the sound.
#pragma once

#include <QLabel>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

class CPanelDlg;
class QSlider;

class ReadoutLine : public QLabel {
  Q_OBJECT

 public:
  // Watches the dialog's sliders, its Pitch link and its loaded sound; add it with addBelow.
  explicit ReadoutLine(CPanelDlg& dialog);

  // Rewrites every slider's tooltip, and the line, from what the controls show now.
  void refresh();
  // A line to add under slider `id`'s readout in its tooltip (its MIDI binding), or empty.
  void setTipTail(std::function<QString(int id)> tail) { m_tipTail = std::move(tail); }

 private:
  void follow(int id);
  void followFocus(QWidget* now);

  CPanelDlg& m_dialog;
  std::vector<std::pair<int, QSlider*>> m_sliders;
  // The slider read out on the line, 0 for none.
  int m_followedId = 0;
  std::function<QString(int id)> m_tipTail;
};
