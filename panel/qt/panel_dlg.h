// The panel window: builds the controls, binds them to the controls logic and the transport.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QSize>
#include <string>

#include "granulator.h"
#include "panel_controls.h"
#include "transport.h"

class QAbstractButton;
class QCheckBox;
class QPushButton;
class QSlider;
class CWaveStrip;
class PanelServices;

class CPanelDlg : public QDialog, public ControlExchange, public TransportView {
  Q_OBJECT

 public:
  explicit CPanelDlg(PanelServices& services, QWidget* parent = nullptr);
  ~CPanelDlg() override;

  void readControls(ControlValues& values) override;
  void writeControls(const ControlValues& values) override;
  void setRunCaption(const char* caption) override;
  void enableFade(bool enabled) override;
  void showPlaying(bool playing) override;

  // The control with this identifier, or null (group boxes have none).
  QWidget* control(int id) const;
  Granulator& granulator() { return m_granulator; }
  PanelControls& controls() { return m_controls; }
  Transport& transport() { return m_transport; }

  // Adds a widget to the column below the template's controls and grows the window to hold it.
  void addBelow(QWidget* widget);

  void OnRunStop();
  void OnFile();
  // A file dropped on the panel or named on the command line.
  void OnDropFile(const std::string& path);
  void OnMethod();
  void OnReset();
  void OnHelp();

 public slots:
  // Ends the dialog the way OK does: the controls are read first.
  void accept() override;

 signals:
  // Playback started or stopped: Run, Stop, or a File... that stops and plays.
  void playingChanged(bool playing);
  // A load was tried: the sound may have changed.
  void soundChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  using Handler = void (PanelControls::*)();

  void buildControls();
  void OnInitDialog();
  void showSound();
  Handler handlerOf(const QObject* slider) const;

  Granulator m_granulator;
  PanelControls m_controls;
  Transport m_transport;
  PanelServices& m_services;

  QSlider* m_fadeCtrl = nullptr;
  QSlider* m_speedCtrl = nullptr;
  QSlider* m_spreadCtrl = nullptr;
  QSlider* m_pitchWalkCtrl = nullptr;
  QSlider* m_pitch2Ctrl = nullptr;
  QSlider* m_pitch1Ctrl = nullptr;
  QSlider* m_zeroCtrl = nullptr;
  QSlider* m_length1Ctrl = nullptr;
  QSlider* m_length2Ctrl = nullptr;
  QPushButton* m_runButton = nullptr;
  QPushButton* m_fileButton = nullptr;
  QPushButton* m_resetButton = nullptr;
  QCheckBox* m_methodBox = nullptr;
  QPushButton* m_linkLengthBox = nullptr;
  QPushButton* m_linkPitchBox = nullptr;
  QIcon m_hIcon;
  QSize m_templateSize;
  QWidget* m_below = nullptr;
  CWaveStrip* m_waveStrip = nullptr;
  // No handler may run while the controls are being read or written.
  bool m_inExchange = false;
};
