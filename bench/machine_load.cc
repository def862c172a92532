// The bench load: processes forked to spin and to churn memory, and the load average.
#include "machine_load.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

constexpr size_t kChurnBytes = size_t{256} << 20;

// A child that never outlives the bench, even when the bench is killed.
pid_t forkLoad(void (*body)()) {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
      _exit(0);
    }
    body();
    _exit(0);
  }
  return pid;
}

void spin() {
  std::atomic<unsigned> n{0};
  for (;;) {
    n.fetch_add(1, std::memory_order_relaxed);
  }
}

// Forks a process that touches 256 MiB of fresh memory and exits, again and again: page faults,
// process creation and teardown, as a build does.
void churn() {
  for (;;) {
    const pid_t pid = forkLoad([] {
      auto* bytes = static_cast<char*>(std::malloc(kChurnBytes));
      if (bytes != nullptr) {
        std::memset(bytes, 1, kChurnBytes);
      }
      std::free(bytes);
    });
    if (pid > 0) {
      waitpid(pid, nullptr, 0);
    }
  }
}

}  // namespace

Load::Load(int spinners, int churners) {
  for (int i = 0; i < spinners; ++i) pids.push_back(forkLoad(spin));
  for (int i = 0; i < churners; ++i) pids.push_back(forkLoad(churn));
}

Load::~Load() {
  for (pid_t pid : pids) {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
}

std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}
