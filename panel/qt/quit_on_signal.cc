// The handler only writes a byte into a pipe; the user-interface thread reads it and quits.
#include "quit_on_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

namespace {

int wakePipe[2] = {-1, -1};

void onSignal(int) {
  const char byte = 1;
  // A full pipe already holds a wake-up; nothing is lost when this write fails.
  [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
}

}  // namespace

QuitOnSignal::QuitOnSignal(QObject* parent) : QObject(parent) {
  if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    return;
  }
  m_notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, &QuitOnSignal::quit);
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    // A signal the caller ignores (nohup, a shell's background job) stays ignored.
    struct sigaction previous {};
    if (sigaction(number, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
      sigaction(number, &action, nullptr);
    }
  }
}

QuitOnSignal::~QuitOnSignal() {
  if (m_notifier == nullptr) {
    return;
  }
  for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(number, nullptr, &current) == 0 && current.sa_handler == onSignal) {
      signal(number, SIG_DFL);
    }
  }
  close(wakePipe[0]);
  close(wakePipe[1]);
  wakePipe[0] = wakePipe[1] = -1;
}

void QuitOnSignal::quit() {
  char bytes[16];
  while (read(wakePipe[0], bytes, sizeof bytes) > 0) {
  }
  // exit, not quit: quit ends only a loop run by QCoreApplication::exec, not a modal one.
  QCoreApplication::exit(0);
}
