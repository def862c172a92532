// The row below the panel's controls that records what plays: the Record toggle and its status.
#pragma once

#include <QWidget>
#include <string>

#include "record_control.h"
#include "recorder.h"
#include "wave_file_sink.h"

class CPanelDlg;
class QLabel;
class QPushButton;
class QTimer;

class CRecordRow : public QWidget, public RecordView {
  Q_OBJECT

 public:
  // Follows the dialog's playback. A recording still running when the row goes is finished and
  // kept.
  explicit CRecordRow(CPanelDlg& dlg);

  void setRecordPressed(bool pressed) override;
  void setRecordStatus(const std::string& text, const std::string& tip) override;

  void OnRecord(bool pressed);
  void OnPlayback(bool playing);
  void OnTimer();

 private:
  static constexpr int kTimerMs = 250;

  // The timer only runs while a recording can end by itself.
  void followRecording();

  CPanelDlg& m_dlg;
  QPushButton* m_recordButton = nullptr;
  QLabel* m_status = nullptr;
  QTimer* m_timer = nullptr;
  WaveFileSink m_sink;
  Recorder m_recorder;
  RecordControl m_control;
};
