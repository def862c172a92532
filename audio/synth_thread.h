// The synthesis worker: feeds the engine's samples to a StreamOut while the run flag is set.
#pragma once

#include <atomic>
#include <cstdint>

#include "run_flag.h"
#include "sample_rate.h"
#include "sound_ring.h"
#include "stream_out.h"

class Granulator;

// The worker's whole life over any ring and any source of nextSample() and publishView(). The
// flag is read before the first sample and after every one; the source publishes its view after
// every block handed to the ring; the StreamOut goes with the scope on every way out, which
// drops a part-filled block and cuts off the ring. Returns 1.
template <typename Source>
uint32_t runSynthesis(Source& source, SoundRing& sound) {
  StreamOut out(sound, kSampleRate, 1);
  while (g_running.load(std::memory_order_relaxed)) {
    out.putSample(source.nextSample());
    if (out.getBlockFill() == 0) {
      source.publishView();
    }
  }
  return 1;
}

// Thread procedure for the panel's worker: plays `granulator` on the default SDL output device
// until g_running is cleared, then returns 1. The granulator must outlive the thread.
uint32_t SynthThread(Granulator* granulator);
