// The strip under the controls: the loaded sound's waveform, the location with its spread window,
// and the two read heads drawn as loud as they sound.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "granulator.h"
#include "sound_view.h"

class QRegion;
class QTimer;
class Transport;

class CWaveStrip : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeightPx = 90;
  // About 30 frames a second.
  static constexpr int kFrameMs = 33;

  CWaveStrip(const Granulator& granulator, const Transport& transport, QWidget* parent = nullptr);

  // While playing, the strip follows the engine's view every frame; stopped, it keeps showing
  // where the heads were.
  void follow(bool playing);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void OnFrame();
  // Picks up a sound the transport loaded since the last look; true when there was one.
  bool takeSound();
  void drawWave();
  QRegion marksRegion(const StripMarks& marks) const;
  void describe(bool playing);

  const Granulator& m_granulator;
  const Transport& m_transport;
  QTimer* m_timer = nullptr;
  const float* m_samples = nullptr;
  int m_frameCount = 0;
  QPixmap m_wave;
  StripMarks m_marks{};
  bool m_hasMarks = false;
  double m_location = 0.0;
};
