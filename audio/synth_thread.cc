// The worker thread procedure over the real sound device: its scheduling, and one device at a
// time.
#include "synth_thread.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>

#include "device_failure.h"
#include "engine_controls.h"
#include "granulator.h"
#include "jack_sound_ring.h"
#include "sdl_sound_ring.h"
#include "sound_output.h"

namespace {

// SDL counts the users of its audio subsystem and keeps its hints without a lock, so a worker
// opens its device only once the one before has closed its own and quit. Only workers wait here.
std::mutex deviceTurn;

bool verbose() {
  const char* value = std::getenv("GRAINPANEL_VERBOSE");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

// The ceiling that rtkit grants by default: high enough to come before every normal process, low
// enough to leave room above for the system's own real-time threads.
constexpr int kRealTimePriority = 20;

// Straight from the kernel: allowed as root, or up to the process's rtprio limit.
bool setFifo() {
  sched_param param{};
  param.sched_priority = kRealTimePriority;
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0) {
    return true;
  }
  rlimit limit{};
  if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0 ||
      limit.rlim_cur >= static_cast<rlim_t>(kRealTimePriority)) {
    return false;
  }
  param.sched_priority = static_cast<int>(limit.rlim_cur);
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

// The worker computes each block just before the ring needs it, so on a loaded machine a
// normal-priority worker falls a ring behind and the device replays a stale lap. Ask for real-time
// scheduling as desktop audio programs do: directly where the process may, else from the system's
// real-time service (rtkit over D-Bus) through SDL. A refusal leaves normal priority.
void requestRealTime() {
  const char* refusal = "not granted";
  if (!setFifo()) {
    // Without the hint SDL asks for nice -20, not for real time. It is withdrawn at once, so that
    // SDL's own audio thread, started later, keeps SDL's usual choice.
    SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
    if (SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL) != 0) {
      refusal = SDL_GetError();
    }
    SDL_ResetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL);
  }
  static std::atomic<bool> told{false};
  if (!verbose() || told.exchange(true)) {
    return;
  }
  int policy = SCHED_OTHER;
  sched_param param{};
  pthread_getschedparam(pthread_self(), &policy, &param);
  if (policy == SCHED_FIFO || policy == SCHED_RR) {
    std::fprintf(stderr, "Synthesis worker: real-time priority (%s, priority %d)\n",
                 policy == SCHED_FIFO ? "SCHED_FIFO" : "SCHED_RR", param.sched_priority);
  } else {
    std::fprintf(stderr, "Synthesis worker: normal priority (real-time refused: %s)\n", refusal);
  }
}

}  // namespace

uint32_t SynthThread(Granulator* granulator) {
  EngineLease lease;
  PlaybackContext context;
  context.granulator = granulator;
  context.lease = &lease;
  return SynthThreadOnLease(context);
}

uint32_t SynthThreadOnLease(const PlaybackContext& context) {
  EngineLease& lease = *context.lease;
  // Declared first so that it goes last: it hands back SDL's error buffer of this thread.
  SdlSoundRing sdl;
  std::optional<JackSoundRing> jack;
  JackClient* client = jackOutput();
  SoundRing& sound = client != nullptr ? static_cast<SoundRing&>(jack.emplace(*client)) : sdl;
  lease.awaitDevice();
  const std::lock_guard<std::mutex> turn(deviceTurn);
  requestRealTime();
  if (!lease.enterEngine()) {
    return 1;
  }
  holdLeaseOnThisThread(&lease);
  const uint32_t result =
      context.controls != nullptr
          ? runSynthesis(*context.controls, sound, &lease, outputRingBytes(), context.recordTap)
          : runSynthesis(*context.granulator, sound, &lease, outputRingBytes(), context.recordTap);
  holdLeaseOnThisThread(nullptr);
  return result;
}
