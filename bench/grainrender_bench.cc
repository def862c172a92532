// grainrender's speed: 600 seconds of output from a one-second tone, to 16-bit and float files.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "render_command.h"
#include "test_wav.h"

namespace {

// Renders 600 seconds with the given options after the input, the output and the seed.
void renderTenMinutes(benchmark::State& state, std::vector<const char*> options) {
  testwav::TempDir dir;
  std::vector<int16_t> tone(44100);
  for (size_t i = 0; i < tone.size(); ++i) {
    tone[i] = static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265358979 * 440 / 44100));
  }
  const std::string input = dir.write("in.wav", testwav::monoWav16(tone));
  const std::string output = dir.pathOf("out.wav");
  std::vector<const char*> args = {input.c_str(), output.c_str(), "--seconds",
                                   "600",         "--seed",       "1"};
  args.insert(args.end(), options.begin(), options.end());
  for (auto _ : state) {
    if (runRenderCommand(static_cast<int>(args.size()), args.data()) != kExitWritten) {
      state.SkipWithError("render failed");
    }
  }
  state.counters["samples/s"] =
      benchmark::Counter(600.0 * 44100, benchmark::Counter::kIsIterationInvariantRate);
}

// The panel's start-up positions.
BENCHMARK_CAPTURE(renderTenMinutes, pcm16_startup, std::vector<const char*>{})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
// The start-up positions with a little scatter and a wandering rate.
BENCHMARK_CAPTURE(renderTenMinutes, pcm16_walk,
                  std::vector<const char*>{"--spread", "300", "--walk", "3000"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(renderTenMinutes, float32_walk,
                  std::vector<const char*>{"--spread", "300", "--walk", "3000", "--float"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
