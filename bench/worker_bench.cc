// The worker's loop with a ring that always has room: the engine played directly, and through
// the controls that hand it changes between blocks, as the panel plays it. Nothing is published
// and nothing records, so the difference is what taking changes costs when none come.
// Usage: worker_bench [Google Benchmark flags], e.g. --benchmark_repetitions=10
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "engine_controls.h"
#include "granulator.h"
#include "random_source.h"
#include "record_tap.h"
#include "run_flag.h"
#include "synth_thread.h"

namespace {

constexpr uint32_t kRingBytes = StreamOut::kRingBytes;
constexpr int kBlocksPerRun = 1024;

// Always half a ring of room ahead of the writer; clears the run flag after kBlocksPerRun blocks.
class OpenRing final : public SoundRing {
 public:
  bool openDevice() override { return true; }
  bool setFormat(const WaveFormat&) override { return true; }
  bool createRing(uint32_t) override { return true; }
  bool lock(uint32_t offset, uint32_t bytes, RingRegions& regions) override {
    regions.first = m_bytes.data() + offset % kRingBytes;
    regions.firstBytes = bytes;
    regions.second = nullptr;
    regions.secondBytes = 0;
    m_next = (offset + bytes) % kRingBytes;
    if (m_blocks >= 0 && ++m_blocks == kBlocksPerRun) {
      g_running = false;
    }
    return true;
  }
  bool unlock(const RingRegions&) override { return true; }
  bool playLooping() override { return true; }
  bool status(uint32_t& statusWord) override {
    statusWord = kStatusPlaying | kStatusLooping;
    return true;
  }
  bool playPosition(uint32_t& offset) override {
    offset = (m_next + kRingBytes / 2) % kRingBytes;
    return true;
  }
  void stop() override {}
  void releaseRing() override {}
  void releaseDevice() override {}
  void sleep(int) override {}
  // The constructor's silent lap is not a played block.
  void startCounting() { m_blocks = 0; }

 private:
  std::vector<uint8_t> m_bytes = std::vector<uint8_t>(kRingBytes);
  uint32_t m_next = 0;
  int m_blocks = -1;
};

struct Engine {
  Engine() : samples(88200) {
    for (size_t i = 0; i < samples.size(); ++i) {
      const double t = 2.0 * M_PI * 220.0 * static_cast<double>(i) / 44100.0;
      samples[i] = static_cast<float>(0.6 * std::sin(t) + 0.2 * std::sin(3.0 * t));
    }
    ControlValues values;
    setStartupPositions(values);
    values.m_pitchWalk = 3000;
    values.m_spread = 200;
    controls.startRun(values, samples.data(), static_cast<int>(samples.size()), 1);
  }
  std::vector<float> samples;
  Granulator granulator;
  EngineControls controls{granulator};
  RecordTap tap;
};

template <typename Source>
void play(benchmark::State& state, Engine& engine, Source& source) {
  for (auto _ : state) {
    OpenRing ring;
    g_running = true;
    ring.startCounting();
    runSynthesis(source, ring, nullptr, kRingBytes, &engine.tap);
  }
  state.SetItemsProcessed(state.iterations() * kBlocksPerRun * StreamOut::kBlockLength);
}

void BM_WorkerOnTheEngine(benchmark::State& state) {
  Engine engine;
  play(state, engine, engine.granulator);
}
BENCHMARK(BM_WorkerOnTheEngine)->Unit(benchmark::kMillisecond);

void BM_WorkerThroughTheControls(benchmark::State& state) {
  Engine engine;
  play(state, engine, engine.controls);
}
BENCHMARK(BM_WorkerThroughTheControls)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
