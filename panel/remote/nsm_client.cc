// The client side of the Non Session Manager protocol, version 1.2.
#include "nsm_client.h"

namespace {

constexpr char kStateExtension[] = ".grainpanel";

OscMessage plain(const char* path) {
  OscMessage message;
  message.path = path;
  return message;
}

OscMessage reply(const char* request, const std::string& text) {
  OscMessage message = plain("/reply");
  message.args = {oscString(request), oscString(text)};
  return message;
}

OscMessage error(const char* request, int code, const std::string& text) {
  OscMessage message = plain("/error");
  message.args = {oscString(request), oscInt(code), oscString(text)};
  return message;
}

OscMessage guiState(bool shown) {
  return plain(shown ? "/nsm/client/gui_is_shown" : "/nsm/client/gui_is_hidden");
}

}  // namespace

NsmClient::NsmClient(NsmHost& host) : m_host(host) {}

OscMessage NsmClient::announce(const std::string& executableName, int pid) const {
  OscMessage message = plain("/nsm/server/announce");
  message.args = {oscString("Grainpanel"),
                  oscString(":dirty:optional-gui:"),
                  oscString(executableName),
                  oscInt(1),
                  oscInt(2),
                  oscInt(pid)};
  return message;
}

void NsmClient::receive(const OscMessage& message, std::vector<OscMessage>& out) {
  const std::string types = message.types();
  const std::string& path = message.path;
  const bool aboutAnnounce =
      !types.empty() && types[0] == 's' && message.args[0].s == "/nsm/server/announce";
  if (path == "/reply" && aboutAnnounce) {
    m_announced = true;
    out.push_back(guiState(m_host.guiShown()));
  } else if (path == "/error" && aboutAnnounce && types == "sis") {
    m_refusal = message.args[2].s;
  } else if (path == "/nsm/client/open" && types == "sss") {
    open(message, out);
  } else if (path == "/nsm/client/save" && types.empty()) {
    save(out);
  } else if (path == "/nsm/client/show_optional_gui" || path == "/nsm/client/hide_optional_gui") {
    const bool shown = path == "/nsm/client/show_optional_gui";
    m_host.showGui(shown);
    out.push_back(guiState(shown));
  }
}

void NsmClient::changed(std::vector<OscMessage>& out) {
  if (m_dirty || m_loading || !m_announced) {
    return;
  }
  m_dirty = true;
  out.push_back(plain("/nsm/client/is_dirty"));
}

void NsmClient::guiChanged(bool shown, std::vector<OscMessage>& out) {
  if (m_announced) {
    out.push_back(guiState(shown));
  }
}

void NsmClient::open(const OscMessage& message, std::vector<OscMessage>& out) {
  const std::string path = message.args[0].s + kStateExtension;
  std::string problem;
  m_loading = true;
  const bool opened = m_host.openState(path, problem);
  m_loading = false;
  if (!opened) {
    out.push_back(error("/nsm/client/open", kNsmErrBadProject, problem));
    return;
  }
  m_statePath = path;
  m_dirty = false;
  out.push_back(reply("/nsm/client/open", "Opened " + path));
}

void NsmClient::save(std::vector<OscMessage>& out) {
  if (m_statePath.empty()) {
    out.push_back(error("/nsm/client/save", kNsmErrNoSessionOpen, "No session is open"));
    return;
  }
  std::string problem;
  if (!m_host.saveState(m_statePath, problem)) {
    out.push_back(error("/nsm/client/save", kNsmErrGeneral, problem));
    return;
  }
  out.push_back(reply("/nsm/client/save", "Saved " + m_statePath));
  if (m_dirty) {
    m_dirty = false;
    out.push_back(plain("/nsm/client/is_clean"));
  }
}
