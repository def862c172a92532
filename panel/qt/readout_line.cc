// The readout line and the sliders' tooltips: the plain readout texts, kept current.
#include "readout_line.h"

#include <QAbstractButton>
#include <QApplication>
#include <QSlider>

#include "control_values.h"
#include "panel_dlg.h"
#include "panel_text.h"

ReadoutLine::ReadoutLine(CPanelDlg& dialog) : m_dialog(dialog) {
  setAccessibleName(QStringLiteral("Readout"));
  setTextFormat(Qt::PlainText);
  // The line keeps its height while empty and never widens the window.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  setMinimumHeight(fontMetrics().height());

  for (const SliderRange& range : kSliderRanges) {
    auto* slider = static_cast<QSlider*>(dialog.control(range.id));
    m_sliders.emplace_back(range.id, slider);
    connect(slider, &QSlider::valueChanged, this, &ReadoutLine::refresh);
    // Keys, the wheel, a click or a drag; a slider moved by Reset or a link is not followed.
    connect(slider, &QSlider::actionTriggered, this, [this, id = range.id] { follow(id); });
  }
  // The Walk readout says when the link takes its width away.
  connect(static_cast<QAbstractButton*>(dialog.control(IDC_LINKPITCH)), &QAbstractButton::toggled,
          this, &ReadoutLine::refresh);
  connect(&dialog, &CPanelDlg::soundLoaded, this, &ReadoutLine::refresh);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { followFocus(now); });
  refresh();
}

void ReadoutLine::refresh() {
  ControlValues shown;
  for (const auto& [id, slider] : m_sliders) {
    *sliderMember(shown, id) = slider->value();
  }
  shown.m_linkPitch =
      static_cast<QAbstractButton*>(m_dialog.control(IDC_LINKPITCH))->isChecked() ? 1 : 0;
  const int frameCount = m_dialog.instrument().frameCount();
  QString line;
  for (const auto& [id, slider] : m_sliders) {
    const QString text = QString::fromStdString(readoutText(id, shown, frameCount));
    const QString tail = m_tipTail ? m_tipTail(id) : QString();
    slider->setToolTip(tail.isEmpty() ? text : text + QStringLiteral("\n") + tail);
    if (id == m_followedId) {
      line = text;
    }
  }
  // With no slider to read out, the line says what was converted to play the sound.
  if (m_followedId == 0) {
    line = QString::fromStdString(m_dialog.instrument().soundNote());
  }
  setText(line);
  setAccessibleDescription(line);
}

void ReadoutLine::follow(int id) {
  m_followedId = id;
  refresh();
}

// Focus on another of the panel's controls clears the line; focus leaving the panel keeps it.
void ReadoutLine::followFocus(QWidget* now) {
  if (now == nullptr || now->window() != &m_dialog) {
    return;
  }
  for (const auto& [id, slider] : m_sliders) {
    if (slider == now) {
      follow(id);
      return;
    }
  }
  follow(0);
}
