// The record row: builds the toggle, the status line and Ctrl+R, and shows and presses the
// instrument's Record.
#include "record_row.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "instrument.h"
#include "panel_dlg.h"

CRecordRow::CRecordRow(CPanelDlg& dlg) : m_instrument(dlg.instrument()) {
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

  recordStatusChanged();
  m_instrument.addListener(this);
}

CRecordRow::~CRecordRow() {
  m_instrument.removeListener(this);
}

void CRecordRow::recordStatusChanged() {
  m_recordButton->setChecked(m_instrument.recordPressed());
  m_status->setText(QString::fromStdString(m_instrument.recordStatus()));
  m_status->setToolTip(QString::fromStdString(m_instrument.recordTip()));
  m_status->setAccessibleName(m_status->text());
  m_status->setAccessibleDescription(m_status->toolTip());
  followRecording();
}

void CRecordRow::OnRecord(bool pressed) {
  m_instrument.setRecord(pressed);
}

void CRecordRow::OnTimer() {
  m_instrument.OnRecordTimer();
}

void CRecordRow::followRecording() {
  if (!m_instrument.recordControl().busy()) {
    m_timer->stop();
  } else if (!m_timer->isActive()) {
    m_timer->start();
  }
}
