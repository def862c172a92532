// One wheel notch, one line step: Qt's own handling would move scroll-lines steps per notch.
#include "slider_wheel.h"

#include <QSlider>
#include <QWheelEvent>
#include <cstdlib>

#include "slider_steps.h"

SliderWheel::SliderWheel(QSlider* slider) : QObject(slider), m_slider(slider) {
  slider->installEventFilter(this);
}

bool SliderWheel::eventFilter(QObject*, QEvent* event) {
  if (event->type() != QEvent::Wheel || !m_slider->isEnabled()) {
    return false;
  }
  auto* wheel = static_cast<QWheelEvent*>(event);
  // With Ctrl or Shift Qt moves a page a notch, which is already what is wanted.
  if (wheel->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
    return false;
  }
  // As Qt reads a wheel: a sideways turn to the right counts as a turn toward the user.
  const QPoint angle = wheel->angleDelta();
  int delta = angle.y() != 0 ? angle.y() : -angle.x();
  if (wheel->inverted()) {
    delta = -delta;
  }
  const int notches = takeWheelNotches(m_pendingDelta, delta);
  // Away from the user moves the thumb the way the Up key does.
  const auto action = (notches > 0) == m_slider->invertedControls()
                          ? QAbstractSlider::SliderSingleStepSub
                          : QAbstractSlider::SliderSingleStepAdd;
  for (int i = 0; i < std::abs(notches); ++i) {
    m_slider->triggerAction(action);
  }
  wheel->accept();
  return true;
}
