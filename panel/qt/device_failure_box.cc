// The device failure box: from the worker's thread to the take, the box and the panel's end.
#include "device_failure_box.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMetaObject>
#include <atomic>

#include "device_failure.h"
#include "instrument.h"
#include "panel_command.h"
#include "panel_services.h"

namespace {

std::atomic<CDeviceFailureBox*> current{nullptr};

}  // namespace

CDeviceFailureBox::CDeviceFailureBox(QDialog& dialog, Instrument& instrument,
                                     PanelServices& services)
    : m_dialog(dialog), m_instrument(instrument), m_services(services) {
  current.store(this);
  setDeviceFailureHandler(onFailure);
}

CDeviceFailureBox::~CDeviceFailureBox() {
  setDeviceFailureHandler(nullptr);
  current.store(nullptr);
}

void CDeviceFailureBox::onFailure(const char* message) {
  CDeviceFailureBox* box = current.load();
  if (box == nullptr) {
    return;
  }
  const QString line = QString::fromUtf8(message).trimmed();
  QMetaObject::invokeMethod(
      box, [box, line] { box->say(line); }, Qt::QueuedConnection);
}

void CDeviceFailureBox::say(const QString& line) {
  m_happened = true;
  // Stopping ends a take in progress, which keeps it whole, before anything can go wrong.
  if (m_instrument.playing()) {
    m_instrument.OnRunStop();
  }
  m_services.showMessage(line.toUtf8().constData(), kDeviceAdviceText);
  m_dialog.done(QDialog::Rejected);
  // In a session the loop is the application's, which closing the dialog does not end.
  QCoreApplication::exit(kPanelExitFailed);
}
