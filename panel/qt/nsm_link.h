// Joins a Non Session Manager session when NSM_URL names one: carries the protocol between the
// manager's socket and the panel on the user-interface thread.
#pragma once

#include <QObject>
#include <functional>
#include <string>

#include "nsm_client.h"
#include "osc_port.h"

class QSocketNotifier;
class QWidget;

class NsmLink : public QObject, public NsmHost {
  Q_OBJECT

 public:
  // Reads or writes the panel's state as a settings file; false with the reason.
  using StateFunction = std::function<bool(const std::string& path, std::string& problem)>;

  NsmLink(QWidget& window, StateFunction openState, StateFunction saveState,
          QObject* parent = nullptr);
  ~NsmLink() override;

  // Announces the panel to the manager at `url`; false, with the reason, when it cannot.
  bool start(const std::string& url, const std::string& executableName, std::string& problem);
  // The instrument changed: the session becomes dirty.
  void changed();

  bool openState(const std::string& path, std::string& problem) override;
  bool saveState(const std::string& path, std::string& problem) override;
  void showGui(bool shown) override;
  bool guiShown() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void readPending();
  void sendAll(const std::vector<OscMessage>& messages);

  QWidget& m_window;
  StateFunction m_openState;
  StateFunction m_saveState;
  NsmClient m_client;
  OscPort m_port;
  OscPeer m_manager;
  QSocketNotifier* m_notifier = nullptr;
  // Set while the manager shows or hides the window, which it already knows.
  bool m_applyingGui = false;
};
