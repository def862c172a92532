// The record row: builds the toggle, the status line and Ctrl+R, and forwards to RecordControl.
#include "record_row.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "panel_dlg.h"
#include "recording_path.h"

CRecordRow::CRecordRow(CPanelDlg& dlg)
    : m_dlg(dlg), m_recorder(m_sink), m_control(m_recorder, *this, userMusicFolder()) {
  m_recordButton = new QPushButton(QString::fromUtf8(kRecordCaption), this);
  m_recordButton->setCheckable(true);
  // Like the link toggles: Enter on it ends the dialog rather than flipping it.
  m_recordButton->setAutoDefault(false);
  m_recordButton->setAccessibleName(QString::fromUtf8(kRecordCaption));
  m_recordButton->setAccessibleDescription(QStringLiteral("Records what plays to a WAV file"));
  m_status = new QLabel(this);
  m_status->setTextFormat(Qt::PlainText);
  // A long message is cut at the window's edge rather than widening it; the tooltip holds it all.
  m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(m_recordButton);
  row->addWidget(m_status, 1);

  m_timer = new QTimer(this);
  m_timer->setInterval(kTimerMs);
  connect(m_timer, &QTimer::timeout, this, &CRecordRow::OnTimer);
  connect(m_recordButton, &QPushButton::clicked, this, &CRecordRow::OnRecord);
  auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
  connect(shortcut, &QShortcut::activated, m_recordButton, &QPushButton::click);
  connect(&dlg, &CPanelDlg::playingChanged, this, &CRecordRow::OnPlayback);

  m_control.initialise();
}

void CRecordRow::setRecordPressed(bool pressed) {
  m_recordButton->setChecked(pressed);
}

void CRecordRow::setRecordStatus(const std::string& text, const std::string& tip) {
  m_status->setText(QString::fromStdString(text));
  m_status->setToolTip(QString::fromStdString(tip));
  m_status->setAccessibleName(m_status->text());
  m_status->setAccessibleDescription(m_status->toolTip());
}

void CRecordRow::OnRecord(bool pressed) {
  const Transport& transport = m_dlg.transport();
  m_control.OnRecord(pressed, transport.playing(), transport.soundPath());
  followRecording();
}

void CRecordRow::OnPlayback(bool playing) {
  m_control.OnPlayback(playing, m_dlg.transport().soundPath());
  followRecording();
}

void CRecordRow::OnTimer() {
  m_control.OnTimer();
  followRecording();
}

void CRecordRow::followRecording() {
  if (!m_control.busy()) {
    m_timer->stop();
  } else if (!m_timer->isActive()) {
    m_timer->start();
  }
}
