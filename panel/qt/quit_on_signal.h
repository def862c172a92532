// Ends the application as closing its window does when SIGTERM, SIGINT or SIGHUP arrives: a session
// manager ends its clients so, and a recording still gets its header.
#pragma once

#include <QObject>

class QSocketNotifier;

class QuitOnSignal : public QObject {
  Q_OBJECT

 public:
  explicit QuitOnSignal(QObject* parent = nullptr);
  ~QuitOnSignal() override;

 private:
  void quit();

  QSocketNotifier* m_notifier = nullptr;
};
