// Plays a sound live on SDL's disk driver while other processes load the machine, and counts the
// captured blocks that the offline render of the same stream does not hold there: replayed laps.
// Usage: glitch_bench [--runs N] [--seconds S] [--spinners N] [--churners N] [--sound PATH]
//   (20 runs of 10 s, 4 spinning and 2 memory-churning processes, samples/pad.wav by default)
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "control_values.h"
#include "engine_settings.h"
#include "granulator.h"
#include "machine_load.h"
#include "offline_render.h"
#include "pcm16.h"
#include "run_flag.h"
#include "sample_rate.h"
#include "sound_loader.h"
#include "stream_tally.h"
#include "synth_thread.h"

namespace {

constexpr size_t kBlock = kTallyBlock;

struct Options {
  int runs = 20;
  double seconds = 10.0;
  int spinners = 4;
  int churners = 2;
  std::string sound = "samples/pad.wav";
};

std::vector<int16_t> readCapture(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// The live stream: the engine as the panel's first Run leaves it, played by the real worker.
std::vector<int16_t> playLive(const Sound& sound, const ControlValues& positions, uint32_t seed,
                              double seconds, const std::string& capture) {
  setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
  Granulator granulator;
  startFirstRun(granulator, positions, sound.samples.get(), sound.frameCount, seed);
  g_running = true;
  std::thread worker(SynthThread, &granulator);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  g_running = false;
  worker.join();
  std::vector<int16_t> captured = readCapture(capture);
  std::remove(capture.c_str());
  return captured;
}

std::vector<int16_t> renderOffline(const Options& options, const ControlValues& positions,
                                   uint32_t seed, size_t count) {
  OfflineRender render;
  render.load(options.sound.c_str());
  render.start(positions, seed);
  std::vector<float> floats(count);
  render.render(floats.data(), static_cast<int>(count));
  std::vector<int16_t> samples(count);
  toPcm16(floats.data(), samples.data(), static_cast<int>(count));
  return samples;
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--runs") {
      options.runs = std::atoi(value);
    } else if (name == "--seconds") {
      options.seconds = std::atof(value);
    } else if (name == "--spinners") {
      options.spinners = std::atoi(value);
    } else if (name == "--churners") {
      options.churners = std::atoi(value);
    } else if (name == "--sound") {
      options.sound = value;
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && options.runs > 0 && options.seconds > 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fputs(
        "usage: glitch_bench [--runs N] [--seconds S] [--spinners N] [--churners N] "
        "[--sound PATH]\n",
        stderr);
    return 2;
  }
  Sound sound;
  if (loadSound(options.sound.c_str(), sound).result != LoadResult::kLoaded) {
    std::fprintf(stderr, "cannot load %s\n", options.sound.c_str());
    return 1;
  }
  setenv("SDL_AUDIODRIVER", "disk", 1);
  unsetenv("SDL_DISKAUDIODELAY");
  const char* tmp = std::getenv("TMPDIR");
  const std::string capture = std::string(tmp != nullptr ? tmp : "/tmp") + "/glitch_bench_" +
                              std::to_string(getpid()) + ".raw";
  ControlValues startup;
  setStartupPositions(startup);

  std::printf(
      "%s on the disk driver, %d runs of %.1f s; load: %d spinning, %d churning processes\n",
      options.sound.c_str(), options.runs, options.seconds, options.spinners, options.churners);
  std::printf("load average before: %s\n", loadAverage().c_str());
  std::fflush(stdout);
  int glitchedRuns = 0;
  size_t staleInAll = 0;
  {
    const Load load(options.spinners, options.churners);
    for (int run = 0; run < options.runs; ++run) {
      const uint32_t seed = 1000u + static_cast<uint32_t>(run);
      const std::vector<int16_t> captured =
          playLive(sound, startup, seed, options.seconds, capture);
      const std::vector<int16_t> expected =
          renderOffline(options, startup, seed, captured.size() + kResyncBlocks * kBlock);
      const Tally tally = compare(captured, expected);
      if (!tally.aligned) {
        std::printf("run %2d: the stream's first block was never heard\n", run + 1);
        ++glitchedRuns;
        continue;
      }
      std::printf("run %2d: %5zu blocks played, %3zu stale, %3zu lost", run + 1, tally.played,
                  tally.stale, tally.lost);
      if (tally.stale > 0) {
        std::printf(" (the first at %.2f s of sound)",
                    static_cast<double>(tally.firstStale * kBlock) / kSampleRate);
      }
      std::printf("\n");
      std::fflush(stdout);
      staleInAll += tally.stale;
      glitchedRuns += tally.stale + tally.lost > 0 ? 1 : 0;
    }
  }
  std::printf("load average after: %s\n", loadAverage().c_str());
  std::printf("runs with stale or lost blocks: %d of %d; stale blocks in all: %zu\n", glitchedRuns,
              options.runs, staleInAll);
  return 0;
}
