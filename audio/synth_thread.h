// The synthesis worker: feeds the engine's samples to a StreamOut while the run flag is set.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "engine_lease.h"
#include "playback_context.h"
#include "run_flag.h"
#include "sample_rate.h"
#include "sound_ring.h"
#include "stream_out.h"

class Granulator;

// A source that takes control changes between blocks: takeChanges(sample), `sample` being the
// index in the stream of the next sample it makes.
template <typename Source, typename = void>
struct TakesChanges : std::false_type {};
template <typename Source>
struct TakesChanges<Source, std::void_t<decltype(std::declval<Source&>().takeChanges(uint64_t{}))>>
    : std::true_type {};

// The worker's whole life over any ring and any source of nextSample() and publishView(). The
// flag is read before the first sample and after every one; the source publishes its view after
// every block handed to the ring, takes control changes (if it takes any) before the first sample
// and after every block, and goes back through `lease`, when given, as soon as the loop ends; the
// StreamOut then goes with the scope on every way out, which drops a part-filled block and cuts
// off the ring. Each block put into the ring goes to `recordTap`, when given. Returns 1.
template <typename Source>
uint32_t runSynthesis(Source& source, SoundRing& sound, EngineLease* lease = nullptr,
                      uint32_t ringBytes = StreamOut::kRingBytes, RecordTap* recordTap = nullptr) {
  StreamOut out(sound, kSampleRate, 1, ringBytes, recordTap);
  if constexpr (TakesChanges<Source>::value) {
    source.takeChanges(0);
  }
  while (g_running.load(std::memory_order_relaxed)) {
    out.putSample(source.nextSample());
    if (out.getBlockFill() == 0) {
      source.publishView();
      if constexpr (TakesChanges<Source>::value) {
        source.takeChanges(out.samplesPut());
      }
    }
  }
  if (lease != nullptr) {
    lease->giveBack();
  }
  return 1;
}

// Thread procedure: plays `granulator` on the chosen output (sound_output.h), SDL's default device
// unless chosen otherwise, until g_running is
// cleared, then returns 1 once the device is closed. The granulator must outlive the thread.
uint32_t SynthThread(Granulator* granulator);

// The panel's worker: as SynthThread, on the engine lent through the context's lease (through
// the context's controls when given, which then hand it every change between blocks), offering
// what it plays to the context's record tap. It waits for any other worker's device to close
// before it opens its own, and gives the engine back before it closes its device; after that it
// touches neither the engine, its samples nor the tap, so they may go while the device closes.
uint32_t SynthThreadOnLease(const PlaybackContext& context);
