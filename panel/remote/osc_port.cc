// OSC over UDP: POSIX sockets carry the packets, liblo reads and writes their contents.
#include "osc_port.h"

#include <fcntl.h>
#include <lo/lo.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// getaddrinfo for a datagram socket; the first answer is the one used.
bool resolve(const char* host, const char* service, int flags, OscPeer& peer,
             std::string& problem) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_flags = flags;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(host, service, &hints, &found);
  if (status != 0) {
    problem = gai_strerror(status);
    return false;
  }
  std::memcpy(&peer.address, found->ai_addr, found->ai_addrlen);
  peer.length = found->ai_addrlen;
  freeaddrinfo(found);
  return true;
}

bool decode(std::vector<char>& packet, OscMessage& message) {
  int result = 0;
  lo_message decoded = lo_message_deserialise(packet.data(), packet.size(), &result);
  if (decoded == nullptr) {
    return false;
  }
  message.path = lo_get_path(packet.data(), static_cast<ssize_t>(packet.size()));
  message.args.clear();
  const char* types = lo_message_get_types(decoded);
  lo_arg** argv = lo_message_get_argv(decoded);
  for (int k = 0; types[k] != '\0'; ++k) {
    OscValue value;
    value.type = types[k];
    if (value.type == LO_INT32) {
      value.i = argv[k]->i;
    } else if (value.type == LO_FLOAT) {
      value.f = argv[k]->f;
    } else if (value.type == LO_STRING) {
      value.s = &argv[k]->s;
    }
    message.args.push_back(std::move(value));
  }
  lo_message_free(decoded);
  return true;
}

}  // namespace

OscPort::~OscPort() {
  if (m_fd >= 0) {
    close(m_fd);
  }
}

bool OscPort::open(const std::string& host, int port, std::string& problem) {
  OscPeer local;
  const std::string service = std::to_string(port);
  if (!resolve(host.c_str(), service.c_str(), AI_PASSIVE | AI_NUMERICSERV, local, problem)) {
    return false;
  }
  m_fd = socket(local.address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (m_fd < 0 || bind(m_fd, reinterpret_cast<sockaddr*>(&local.address), local.length) != 0) {
    problem = std::strerror(errno);
    if (m_fd >= 0) {
      close(m_fd);
      m_fd = -1;
    }
    return false;
  }
  return true;
}

int OscPort::port() const {
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (m_fd < 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    return 0;
  }
  if (bound.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port);
  }
  return ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

OscPort::Received OscPort::receive(OscMessage& message, OscPeer& from, int maxBytes) {
  std::vector<char> packet(static_cast<size_t>(maxBytes));
  from.length = sizeof from.address;
  // With MSG_TRUNC the kernel answers the datagram's whole length, so a larger one is seen.
  const ssize_t length = recvfrom(m_fd, packet.data(), packet.size(), MSG_TRUNC,
                                  reinterpret_cast<sockaddr*>(&from.address), &from.length);
  if (length < 0) {
    return Received::kNone;
  }
  if (length > maxBytes) {
    return Received::kOversized;
  }
  packet.resize(static_cast<size_t>(length));
  return decode(packet, message) ? Received::kMessage : Received::kMalformed;
}

bool OscPort::send(const OscMessage& message, const OscPeer& to) {
  lo_message encoded = lo_message_new();
  for (const OscValue& value : message.args) {
    if (value.type == LO_INT32) {
      lo_message_add_int32(encoded, value.i);
    } else if (value.type == LO_FLOAT) {
      lo_message_add_float(encoded, value.f);
    } else if (value.type == LO_STRING) {
      lo_message_add_string(encoded, value.s.c_str());
    }
  }
  size_t size = 0;
  void* packet = lo_message_serialise(encoded, message.path.c_str(), nullptr, &size);
  lo_message_free(encoded);
  if (packet == nullptr) {
    return false;
  }
  const ssize_t sent =
      sendto(m_fd, packet, size, 0, reinterpret_cast<const sockaddr*>(&to.address), to.length);
  std::free(packet);
  return sent == static_cast<ssize_t>(size);
}

bool resolveOscUrl(const std::string& url, OscPeer& peer) {
  std::unique_ptr<char, decltype(&std::free)> host(lo_url_get_hostname(url.c_str()), &std::free);
  std::unique_ptr<char, decltype(&std::free)> port(lo_url_get_port(url.c_str()), &std::free);
  std::string problem;
  return host && port && resolve(host.get(), port.get(), AI_NUMERICSERV, peer, problem);
}
