// Samples per second of the granular engine, one call a sample and in blocks, at the panel's
// start-up settings and with a walk, and with the view published once per block as the worker
// does.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "granulator.h"
#include "random_source.h"

namespace {

std::vector<float> tone() {
  std::vector<float> s(441000);  // ten seconds
  for (size_t i = 0; i < s.size(); ++i) {
    s[i] = static_cast<float>(0.5 * std::sin(i * 0.0627));
  }
  return s;
}

// The start-up settings, or pitch mode 1 with a walk.
void setUp(Granulator& g, bool walking) {
  static const std::vector<float> samples = tone();
  g.prepare(samples.data(), static_cast<int>(samples.size()), 1000);
  seedRandom(1);
  g.setLengthRange(1000, 1000);
  g.setZeroChance(0.0f);
  if (walking) {
    g.setPitchRange(0.5f, 1.5f, 0.005f);
    g.setPitchMode(PitchMode::kEachHeadWalks);
  } else {
    g.setPitchRange(1.0f, 1.0f, 0.0f);
    g.setPitchMode(PitchMode::kHeadsShareRate);
  }
  g.setLocation(0.0f, 1.0f);
}

constexpr int kBlock = 4096;

// The worker publishes the engine's view once per 256-sample block; `viewEveryBlock` does too.
void perSample(benchmark::State& state, bool walking, bool viewEveryBlock = false) {
  Granulator g;
  setUp(g, walking);
  for (auto _ : state) {
    float sum = 0.0f;
    for (int i = 0; i < kBlock; ++i) {
      sum += g.nextSample();
      if (viewEveryBlock && (i & 255) == 255) {
        g.publishView();
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void inBlocks(benchmark::State& state, bool walking) {
  Granulator g;
  setUp(g, walking);
  std::vector<float> out(kBlock);
  for (auto _ : state) {
    g.render(out.data(), kBlock);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_StartupSettings(benchmark::State& state) {
  perSample(state, false);
}
void BM_PitchModeOneWithWalk(benchmark::State& state) {
  perSample(state, true);
}
void BM_BlockStartupSettings(benchmark::State& state) {
  inBlocks(state, false);
}
void BM_BlockPitchModeOneWithWalk(benchmark::State& state) {
  inBlocks(state, true);
}

void BM_StartupSettingsWithViewEveryBlock(benchmark::State& state) {
  perSample(state, false, true);
}

}  // namespace

BENCHMARK(BM_StartupSettings);
BENCHMARK(BM_PitchModeOneWithWalk);
BENCHMARK(BM_BlockStartupSettings);
BENCHMARK(BM_BlockPitchModeOneWithWalk);
BENCHMARK(BM_StartupSettingsWithViewEveryBlock);
BENCHMARK_MAIN();
