// grainrender's speed: 600 seconds of output from a one-second tone to a 16-bit file.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "render_command.h"
#include "test_wav.h"

namespace {

void renderTenMinutes(benchmark::State& state, const char* format) {
  testwav::TempDir dir;
  std::vector<int16_t> tone(44100);
  for (size_t i = 0; i < tone.size(); ++i) {
    tone[i] = static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265358979 * 440 / 44100));
  }
  const std::string input = dir.write("in.wav", testwav::monoWav16(tone));
  const std::string output = dir.pathOf("out.wav");
  // The panel's start-up positions with a little scatter and a wandering rate.
  std::vector<const char*> args = {input.c_str(), output.c_str(), "--seconds", "600",    "--seed",
                                   "1",           "--spread",     "300",       "--walk", "3000"};
  if (format != nullptr) {
    args.push_back(format);
  }
  for (auto _ : state) {
    if (runRenderCommand(static_cast<int>(args.size()), args.data()) != kExitWritten) {
      state.SkipWithError("render failed");
    }
  }
  state.counters["samples/s"] =
      benchmark::Counter(600.0 * 44100, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(renderTenMinutes, pcm16, nullptr)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(renderTenMinutes, float32, "--float")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
