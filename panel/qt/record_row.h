// The row below the panel's controls that records what plays: the Record toggle and its status.
#pragma once

#include <QWidget>
#include <string>

#include "instrument_listener.h"

class CPanelDlg;
class Instrument;
class QLabel;
class QPushButton;
class QTimer;

class CRecordRow : public QWidget, public InstrumentListener {
  Q_OBJECT

 public:
  // Shows and presses the Record of the dialog's instrument.
  explicit CRecordRow(CPanelDlg& dlg);
  ~CRecordRow() override;

  void recordStatusChanged() override;

  void OnRecord(bool pressed);
  void OnTimer();

 private:
  static constexpr int kTimerMs = 250;

  // The timer only runs while a recording can end by itself.
  void followRecording();

  Instrument& m_instrument;
  QPushButton* m_recordButton = nullptr;
  QLabel* m_status = nullptr;
  QTimer* m_timer = nullptr;
};
