// Makes one wheel notch move a slider by its line step, whatever the desktop's lines per notch.
#pragma once

#include <QObject>

class QSlider;

class SliderWheel : public QObject {
 public:
  // Becomes a child of `slider` and filters its wheel events.
  explicit SliderWheel(QSlider* slider);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QSlider* m_slider;
  int m_pendingDelta = 0;
};
