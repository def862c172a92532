// Turns SIGTERM, SIGINT and SIGHUP into an ordinary close of the panel's windows.
#include "quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler only writes a byte; the event loop reads it and does the rest.
int g_pipe[2] = {-1, -1};

void noteSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    return;
  }
  m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::OnSignal);
  struct sigaction action {};
  action.sa_handler = noteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : kQuitSignals) {
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
      sigaction(sig, &action, nullptr);
    }
  }
}

// A signal after this ends the process as it would have before.
QuitSignals::~QuitSignals() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int sig : kQuitSignals) {
    struct sigaction current {};
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler == noteSignal) {
      sigaction(sig, &action, nullptr);
    }
  }
}

void QuitSignals::OnSignal() {
  char bytes[16];
  while (read(g_pipe[0], bytes, sizeof bytes) > 0) {
  }
  QApplication::closeAllWindows();
}
