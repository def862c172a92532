// The hand-over of the engine between the panel and a worker.
#include "engine_lease.h"

void EngineLease::awaitDevice() {
  const std::lock_guard<std::mutex> lock(mutex);
  if (state == State::kStarting) {
    state = State::kAwaitingDevice;
    changed.notify_all();
  }
}

bool EngineLease::enterEngine() {
  const std::lock_guard<std::mutex> lock(mutex);
  if (state == State::kBack) {
    return false;
  }
  state = State::kInEngine;
  return true;
}

void EngineLease::giveBack() {
  const std::lock_guard<std::mutex> lock(mutex);
  state = State::kBack;
  changed.notify_all();
}

void EngineLease::takeBack() {
  std::unique_lock<std::mutex> lock(mutex);
  changed.wait(lock, [this] { return state == State::kAwaitingDevice || state == State::kBack; });
  state = State::kBack;
}
