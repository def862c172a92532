// A sound device that fails: the line on stderr, then the handler or the end of the process.
#include "device_failure.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine_lease.h"
#include "record_tap.h"

namespace {

std::atomic<DeviceFailureHandler> handler{nullptr};
std::atomic<bool> failed{false};
thread_local EngineLease* heldLease = nullptr;

}  // namespace

void setDeviceFailureHandler(DeviceFailureHandler newHandler) {
  handler.store(newHandler, std::memory_order_release);
}

void holdLeaseOnThisThread(EngineLease* lease) {
  heldLease = lease;
}

void failDevice(const char* message) {
  const DeviceFailureHandler current = handler.load(std::memory_order_acquire);
  if (current == nullptr) {
    // The process ends here without unwinding, so a take that runs is finished first.
    finishRecordingBeforeExit();
  }
  std::fflush(stdout);
  std::fputs(message, stderr);
  std::fflush(stderr);
  if (current == nullptr) {
    std::_Exit(1);
  }
  if (heldLease != nullptr) {
    heldLease->giveBack();
  }
  // A second failure, from a worker that was already on its way, adds nothing to the first.
  if (!failed.exchange(true)) {
    current(message);
  }
  for (;;) {
    std::this_thread::sleep_for(std::chrono::hours(1));
  }
}
