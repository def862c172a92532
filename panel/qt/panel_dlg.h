// The panel window: builds the controls and shows the instrument; a widget the user moves plays it.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QSize>
#include <string>

#include "instrument.h"
#include "instrument_listener.h"
#include "settings_control.h"

class QAbstractButton;
class QCheckBox;
class QPushButton;
class QSlider;
class CWaveStrip;
class PanelServices;

class CPanelDlg : public QDialog, public InstrumentListener {
  Q_OBJECT

 public:
  // Shows `instrument`, which outlives the window.
  CPanelDlg(Instrument& instrument, PanelServices& services, QWidget* parent = nullptr);
  ~CPanelDlg() override;

  void controlsChanged() override;
  void playingChanged(bool playing) override;
  void playbackShown(bool playing) override;
  void soundChanged() override;

  // The control with this identifier, or null (group boxes have none).
  QWidget* control(int id) const;
  Instrument& instrument() { return m_instrument; }
  PanelServices& services() { return m_services; }
  // The settings file the panel has open, for whatever else opens or saves one (a session).
  SettingsControl& settings() { return m_settings; }

  // Adds a widget to the column below the template's controls and grows the window to hold it.
  void addBelow(QWidget* widget);

  void OnRunStop();
  void OnFile();
  // A file dropped on the panel or named on the command line: a settings file is opened, any
  // other file loaded as a sound.
  void OnDropFile(const std::string& path);
  void OnMethod();
  void OnReset();
  void OnHelp();

 signals:
  // A load was tried: the sound may have changed.
  void soundLoaded();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void buildControls();
  void OnInitDialog();
  void bindControls();
  // Copies every value of the instrument into its widget.
  void writeControls(const ControlValues& values);

  Instrument& m_instrument;
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
  SettingsControl m_settings;
  // No widget plays the instrument while the window writes what the instrument holds.
  bool m_inExchange = false;
};
