// Reads every pending datagram when the socket wakes the user-interface thread, so that each
// message reaches the instrument on the thread that owns it.
#include "osc_link.h"

#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxPacketsPerWake = 64;

}  // namespace

OscLink::OscLink(Instrument& instrument, QObject* parent) : QObject(parent), m_control(instrument) {
  const char* value = std::getenv("GRAINPANEL_VERBOSE");
  m_verbose = value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

bool OscLink::listen(const std::string& host, int port, std::string& problem) {
  if (!m_port.open(host, port, problem)) {
    return false;
  }
  m_notifier = new QSocketNotifier(m_port.fd(), QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &OscLink::readPending);
  if (m_verbose) {
    std::fprintf(stderr, "grainpanel: OSC on %s port %d\n", host.c_str(), m_port.port());
  }
  return true;
}

void OscLink::readPending() {
  OscMessage message;
  OscPeer from;
  std::vector<OscMessage> replies;
  // A bounded batch: under a flood the notifier fires again, and the window still gets its turn.
  for (int batch = 0; batch < kMaxPacketsPerWake; ++batch) {
    switch (m_port.receive(message, from, kOscMaxPacketBytes)) {
      case OscPort::Received::kNone:
        return;
      case OscPort::Received::kOversized:
        m_control.count(OscVerdict::kOversized);
        report(OscVerdict::kOversized, "");
        break;
      case OscPort::Received::kMalformed:
        m_control.count(OscVerdict::kMalformed);
        report(OscVerdict::kMalformed, "");
        break;
      case OscPort::Received::kMessage:
        replies.clear();
        report(m_control.apply(message, replies), message.path);
        for (const OscMessage& reply : replies) {
          m_port.send(reply, from);
        }
        break;
    }
  }
}

void OscLink::report(OscVerdict verdict, const std::string& path) {
  if (!m_verbose || verdict == OscVerdict::kApplied) {
    return;
  }
  std::fprintf(stderr, "grainpanel: OSC %s refused: %s (%d refused so far)\n", path.c_str(),
               verdictText(verdict), m_control.counts().refused());
}
