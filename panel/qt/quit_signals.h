// Turns SIGTERM, SIGINT and SIGHUP into an ordinary close of the panel's windows.
#pragma once

#include <QObject>

class QSocketNotifier;

// While it lives, each of the three signals (unless ignored, as under nohup) closes every window
// from the event loop, as the window's own close does: a take that runs is finished and kept.
// A session manager ends the panel this way.
class QuitSignals : public QObject {
  Q_OBJECT

 public:
  explicit QuitSignals(QObject* parent = nullptr);
  ~QuitSignals() override;

 private:
  void OnSignal();

  QSocketNotifier* m_notifier = nullptr;
};
