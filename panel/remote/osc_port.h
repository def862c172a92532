// A UDP socket that reads and writes OSC messages (liblo encodes them). No Qt: the window layer
// watches fd() and calls receive() until it answers kNone.
#pragma once

#include <sys/socket.h>

#include <string>

#include "osc_message.h"

// Where a message came from, or goes to.
struct OscPeer {
  sockaddr_storage address{};
  socklen_t length = 0;
};

class OscPort {
 public:
  enum class Received { kNone, kMessage, kOversized, kMalformed };

  OscPort() = default;
  ~OscPort();
  OscPort(const OscPort&) = delete;
  OscPort& operator=(const OscPort&) = delete;

  // Binds a non-blocking socket to `host` (a numeric address or a name) and `port`, 0 for any
  // free one. False, with the reason in `problem`, when it cannot.
  bool open(const std::string& host, int port, std::string& problem);
  int fd() const { return m_fd; }
  // The port bound, or 0 when closed.
  int port() const;

  // Reads one datagram. A packet over `maxBytes` is dropped unread and answers kOversized.
  Received receive(OscMessage& message, OscPeer& from, int maxBytes);
  bool send(const OscMessage& message, const OscPeer& to);

 private:
  int m_fd = -1;
};

// The peer an osc.udp://HOST:PORT/ address names; false when it names none.
bool resolveOscUrl(const std::string& url, OscPeer& peer);
