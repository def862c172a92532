// Removes grainrender's temporary file when a signal ends the process, then lets the signal end it.
#include "interrupt_cleanup.h"

#include <unistd.h>

#include <climits>
#include <cstring>

namespace {

// Every signal whose default action ends the process and that may be caught, besides the
// real-time ones; SIGXFSZ is ignored instead. The faults come from the instruction that raised
// them and are never held off.
constexpr int kHeldSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGABRT, SIGUSR1,
                                SIGUSR2, SIGPIPE,   SIGALRM, SIGTERM, SIGSTKFLT,
                                SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR};
constexpr int kFaultSignals[] = {SIGILL, SIGTRAP, SIGBUS, SIGFPE, SIGSEGV, SIGSYS};

// The handler may only read what was written whole before it could run: a fixed buffer, and a
// flag set once the name in it is complete.
char g_path[PATH_MAX];
volatile sig_atomic_t g_recorded = 0;

sigset_t heldSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kHeldSignals) {
    sigaddset(&set, sig);
  }
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) {
    sigaddset(&set, sig);
  }
  return set;
}

sigset_t caughtSet() {
  sigset_t set = heldSet();
  for (int sig : kFaultSignals) {
    sigaddset(&set, sig);
  }
  return set;
}

// Only async-signal-safe calls: unlink, sigaction, raise.
void removeAndRaise(int sig) {
  if (g_recorded) {
    unlink(g_path);
  }
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(sig, &action, nullptr);
  // Blocked until the handler returns, then delivered with the default action.
  raise(sig);
}

}  // namespace

void installInterruptCleanup() {
  struct sigaction action {};
  action.sa_handler = removeAndRaise;
  action.sa_mask = heldSet();
  const sigset_t caught = caughtSet();
  for (int sig = 1; sig <= SIGRTMAX; ++sig) {
    struct sigaction current {};
    if (sigismember(&caught, sig) == 1 && sigaction(sig, nullptr, &current) == 0 &&
        current.sa_handler != SIG_IGN) {
      sigaction(sig, &action, nullptr);
    }
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, nullptr);
}

SignalHold::SignalHold() {
  const sigset_t held = heldSet();
  sigprocmask(SIG_BLOCK, &held, &m_previous);
}

SignalHold::~SignalHold() {
  sigprocmask(SIG_SETMASK, &m_previous, nullptr);
}

bool recordInterruptedFile(const char* path) {
  g_recorded = 0;
  const size_t length = std::strlen(path);
  if (length >= sizeof g_path) {
    return false;
  }
  std::memcpy(g_path, path, length + 1);
  g_recorded = 1;
  return true;
}

void forgetInterruptedFile() {
  g_recorded = 0;
}
