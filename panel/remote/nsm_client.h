// The panel as a client of a Non Session Manager: announce, open and save the state the manager
// points at, report dirty and clean, show and hide the window. No sockets here.
#pragma once

#include <string>
#include <vector>

#include "osc_message.h"

// What the session manager asks of the panel.
class NsmHost {
 public:
  virtual ~NsmHost() = default;
  // Loads the state saved in the settings file `path`; a file that does not exist yet leaves
  // the panel as it is, for a new session. False, with the reason, when it cannot.
  virtual bool openState(const std::string& path, std::string& problem) = 0;
  virtual bool saveState(const std::string& path, std::string& problem) = 0;
  virtual void showGui(bool shown) = 0;
  virtual bool guiShown() const = 0;
};

// The protocol's error codes that the panel answers with.
constexpr int kNsmErrGeneral = -1;
constexpr int kNsmErrNoSessionOpen = -6;
constexpr int kNsmErrBadProject = -9;

class NsmClient {
 public:
  explicit NsmClient(NsmHost& host);

  // The first message to the manager.
  OscMessage announce(const std::string& executableName, int pid) const;
  // Answers one message from the manager into `out`.
  void receive(const OscMessage& message, std::vector<OscMessage>& out);
  // The instrument changed: a clean state becomes dirty, which the manager hears once.
  void changed(std::vector<OscMessage>& out);
  // The window was shown or hidden by the panel itself.
  void guiChanged(bool shown, std::vector<OscMessage>& out);

  bool announced() const { return m_announced; }
  // The manager's answer when it refused the announce; empty otherwise.
  const std::string& refusal() const { return m_refusal; }
  // The settings file of the session, empty until the manager opens one.
  const std::string& statePath() const { return m_statePath; }

 private:
  void open(const OscMessage& message, std::vector<OscMessage>& out);
  void save(std::vector<OscMessage>& out);

  NsmHost& m_host;
  bool m_announced = false;
  bool m_dirty = false;
  // Set while the state is loaded, so that the changes it makes leave the state clean.
  bool m_loading = false;
  std::string m_refusal;
  std::string m_statePath;
};
