// Joins a Non Session Manager session when NSM_URL names one: carries the protocol between the
// manager's socket and the panel on the user-interface thread.
#pragma once

#include <QObject>
#include <string>

#include "instrument_listener.h"
#include "nsm_client.h"
#include "osc_port.h"
#include "session_state.h"

class Instrument;
class QSocketNotifier;
class QWidget;

class NsmLink : public QObject, public NsmHost, private InstrumentListener {
  Q_OBJECT

 public:
  NsmLink(QWidget& window, Instrument& instrument, QObject* parent = nullptr);
  ~NsmLink() override;

  // Announces the panel to the manager at `url`; false, with the reason, when it cannot.
  bool start(const std::string& url, const std::string& executableName, std::string& problem);
  bool openState(const std::string& path, std::string& problem) override;
  bool saveState(const std::string& path, std::string& problem) override;
  void showGui(bool shown) override;
  bool guiShown() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A control or the sound changed: the session becomes dirty.
  void controlsChanged() override;
  void soundChanged() override;
  void changed();
  void readPending();
  void sendAll(const std::vector<OscMessage>& messages);

  QWidget& m_window;
  Instrument& m_instrument;
  SessionState m_state;
  NsmClient m_client;
  OscPort m_port;
  OscPeer m_manager;
  QSocketNotifier* m_notifier = nullptr;
  // Set while the manager shows or hides the window, which it already knows.
  bool m_applyingGui = false;
};
