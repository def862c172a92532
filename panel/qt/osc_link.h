// Listens for the remote control's OSC messages on the user-interface thread.
#pragma once

#include <QObject>
#include <string>

#include "osc_control.h"
#include "osc_port.h"

class QSocketNotifier;
class Instrument;

class OscLink : public QObject {
  Q_OBJECT

 public:
  explicit OscLink(Instrument& instrument, QObject* parent = nullptr);

  // False, with the reason, when the port cannot be bound.
  bool listen(const std::string& host, int port, std::string& problem);
  const OscCounts& counts() const { return m_control.counts(); }

 private:
  void readPending();
  void report(OscVerdict verdict, const std::string& path);

  OscControl m_control;
  OscPort m_port;
  QSocketNotifier* m_notifier = nullptr;
  bool m_verbose = false;
};
