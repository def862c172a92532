// A sound device that fails is said where the user looks: the take in progress is finished and
// kept, a box shows the device's line and what to try, and the panel ends with status 1.
#pragma once

#include <QObject>
#include <QString>

class Instrument;
class QDialog;
class PanelServices;

constexpr const char* kDeviceAdviceText =
    "Start the sound server (PipeWire, PulseAudio or JACK) and open Grainpanel again, or start "
    "it with SDL_AUDIODRIVER=dummy to play nowhere.";

class CDeviceFailureBox : public QObject {
 public:
  // Takes over the process's device failures for as long as it lives.
  CDeviceFailureBox(QDialog& dialog, Instrument& instrument, PanelServices& services);
  ~CDeviceFailureBox() override;
  CDeviceFailureBox(const CDeviceFailureBox&) = delete;
  CDeviceFailureBox& operator=(const CDeviceFailureBox&) = delete;

  // A device failed and the panel was told to end.
  bool happened() const { return m_happened; }

 private:
  // On the failing worker's thread: hands the line to the user-interface thread.
  static void onFailure(const char* message);
  void say(const QString& line);

  QDialog& m_dialog;
  Instrument& m_instrument;
  PanelServices& m_services;
  bool m_happened = false;
};
