// The cost of a MIDI flood: what one controller message costs the input's thread (parsed and
// queued), and what a drain of 4 ms of a 10 000-a-second flood costs the user-interface thread.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "fake_services.h"
#include "instrument.h"
#include "midi_control.h"
#include "midi_queue.h"
#include "test_wav.h"

namespace {

// 40 controller changes with running status: 4 ms at 10 000 messages a second.
constexpr int kBurst = 40;

void BM_ReceiveThenDrainABurst(benchmark::State& state) {
  uint8_t bytes[1 + 2 * kBurst] = {0xB0};
  for (int i = 0; i < kBurst; ++i) {
    bytes[1 + 2 * i] = 7;
    bytes[2 + 2 * i] = static_cast<uint8_t>(i);
  }
  MidiQueue queue;
  MidiMessage message;
  for (auto _ : state) {
    queue.receive(bytes, sizeof bytes);
    while (queue.pop(message)) {
      benchmark::DoNotOptimize(message);
    }
  }
  state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_ReceiveThenDrainABurst);

// The same burst on a controller bound to Speed, drained into the instrument: one move.
void BM_DrainABurstIntoTheInstrument(benchmark::State& state) {
  testwav::TempDir dir;
  FakeServices services;
  Instrument instrument(services, dir.path());
  MidiControl midi(instrument, dir.path() + "/midi-bindings");
  midi.learn(IDC_SPEED);
  uint8_t bytes[1 + 2 * kBurst] = {0xB0};
  midi.input(MidiControl::kJackInput).receive(bytes, 3);
  midi.drain();
  for (int i = 0; i < kBurst; ++i) {
    bytes[1 + 2 * i] = 0;
    bytes[2 + 2 * i] = static_cast<uint8_t>(i);
  }
  for (auto _ : state) {
    midi.input(MidiControl::kJackInput).receive(bytes, sizeof bytes);
    midi.drain();
  }
  state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_DrainABurstIntoTheInstrument);

}  // namespace

BENCHMARK_MAIN();
