// The session manager's messages reach the panel through the socket's notifier; what the panel
// answers goes back to the manager's address.
#include "nsm_link.h"

#include <netinet/in.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <cstdio>

#include "instrument.h"
#include "session_state.h"

namespace {

// Paths in a session can be long; no message of the protocol needs more.
constexpr int kNsmMaxPacketBytes = 65536;

}  // namespace

NsmLink::NsmLink(QWidget& window, Instrument& instrument, QObject* parent)
    : QObject(parent), m_window(window), m_instrument(instrument), m_client(*this) {
  m_window.installEventFilter(this);
  m_instrument.addListener(this);
}

NsmLink::~NsmLink() {
  m_instrument.removeListener(this);
  m_window.removeEventFilter(this);
}

bool NsmLink::start(const std::string& url, const std::string& executableName,
                    std::string& problem) {
  if (!resolveOscUrl(url, m_manager)) {
    problem = "NSM_URL names no manager: " + url;
    return false;
  }
  const char* any = m_manager.address.ss_family == AF_INET6 ? "::" : "0.0.0.0";
  if (!m_port.open(any, 0, problem)) {
    return false;
  }
  m_notifier = new QSocketNotifier(m_port.fd(), QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &NsmLink::readPending);
  sendAll({m_client.announce(executableName, static_cast<int>(getpid()))});
  return true;
}

void NsmLink::changed() {
  std::vector<OscMessage> out;
  m_client.changed(out);
  sendAll(out);
}

void NsmLink::controlsChanged() {
  changed();
}

void NsmLink::soundChanged() {
  changed();
}

bool NsmLink::openState(const std::string& path, std::string& problem) {
  return m_state.open(m_instrument, path, problem);
}

bool NsmLink::saveState(const std::string& path, std::string& problem) {
  return m_state.save(m_instrument, path, problem);
}

void NsmLink::showGui(bool shown) {
  m_applyingGui = true;
  m_window.setVisible(shown);
  if (shown) {
    m_window.raise();
    m_window.activateWindow();
  }
  m_applyingGui = false;
}

bool NsmLink::guiShown() const {
  return m_window.isVisible();
}

bool NsmLink::eventFilter(QObject* watched, QEvent* event) {
  const bool showOrHide = event->type() == QEvent::Show || event->type() == QEvent::Hide;
  // A minimized window hides spontaneously; only the panel's own hiding changes the GUI state.
  if (watched == &m_window && showOrHide && !event->spontaneous() && !m_applyingGui) {
    std::vector<OscMessage> out;
    m_client.guiChanged(event->type() == QEvent::Show, out);
    sendAll(out);
    // Refused by the manager, the panel is on its own: closing the window ends it as usual.
    if (event->type() == QEvent::Hide && !m_client.refusal().empty()) {
      QCoreApplication::exit(0);
    }
  }
  return QObject::eventFilter(watched, event);
}

void NsmLink::readPending() {
  OscMessage message;
  OscPeer from;
  std::vector<OscMessage> out;
  OscPort::Received received;
  while ((received = m_port.receive(message, from, kNsmMaxPacketBytes)) !=
         OscPort::Received::kNone) {
    if (received != OscPort::Received::kMessage) {
      continue;
    }
    out.clear();
    const bool refused = !m_client.refusal().empty();
    m_client.receive(message, out);
    sendAll(out);
    if (!refused && !m_client.refusal().empty()) {
      std::fprintf(stderr, "grainpanel: the session manager refused: %s\n",
                   m_client.refusal().c_str());
    }
  }
}

void NsmLink::sendAll(const std::vector<OscMessage>& messages) {
  for (const OscMessage& message : messages) {
    m_port.send(message, m_manager);
  }
}
