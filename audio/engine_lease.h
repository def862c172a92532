// The engine lent to one synthesis worker, and the panel's wait to have it back.
#pragma once

#include <condition_variable>
#include <mutex>

// The panel lends its engine, and the sample buffer under it, to one worker per Run. The worker
// gives it back as soon as it has left its loop, before it closes its device, which a stalled
// driver can hold for seconds: the panel waits for the engine, never for the device. A worker
// that is still waiting for the device of the worker before it has not touched the engine yet,
// so the panel may call its lease off instead of waiting.
class EngineLease {
 public:
  // Worker: about to wait for the sound device. From here until enterEngine the panel may call
  // the lease off.
  void awaitDevice();
  // Worker: false when the lease was called off; the engine must then not be touched at all.
  bool enterEngine();
  // Worker: after its last sample. Giving back again does nothing.
  void giveBack();
  // Panel: returns once the worker has given the engine back, or calls the lease off when the
  // worker is waiting for its device; either way the worker never touches the engine again.
  void takeBack();

 private:
  enum class State { kStarting, kAwaitingDevice, kInEngine, kBack };

  std::mutex mutex;
  std::condition_variable changed;
  State state = State::kStarting;
};
