// Measures the synthesis worker's CPU time while it plays on SDL's dummy driver, first with
// nothing recording and then while a recording writes to a WAV file.
// Usage: synth_load_bench [seconds] [file]   (10 s each, /tmp/synth_load_bench.wav)
#include <pthread.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "granulator.h"
#include "random_source.h"
#include "record_tap.h"
#include "recorder.h"
#include "run_flag.h"
#include "synth_thread.h"
#include "wave_file_sink.h"

namespace {

double seconds(const timespec& t) {
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
}

double processCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Plays for `playSeconds`, recording to `path` unless it is empty, and prints the CPU figures.
void play(Granulator& granulator, double playSeconds, const std::string& path) {
  WaveFileSink sink;
  RecordTap tap;
  Recorder recorder(sink, tap);
  if (!path.empty() && !recorder.start(path)) {
    std::printf("cannot record: %s\n", recorder.error().c_str());
    return;
  }
  const double processBefore = processCpuSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  g_running = true;
  EngineLease lease;
  PlaybackContext context;
  context.granulator = &granulator;
  context.lease = &lease;
  context.recordTap = &tap;
  std::thread worker(SynthThreadOnLease, context);
  clockid_t workerClock{};
  pthread_getcpuclockid(worker.native_handle(), &workerClock);
  std::this_thread::sleep_for(std::chrono::duration<double>(playSeconds));
  timespec workerCpu{};
  clock_gettime(workerClock, &workerCpu);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const RecordOutcome outcome = recorder.stop();
  g_running = false;
  worker.join();
  const double processCpu = processCpuSeconds() - processBefore;

  std::printf("%s, %.2f s of playback\n", path.empty() ? "not recording" : "recording", wall);
  std::printf("  worker thread: %.1f ms CPU = %.3f%% of one core\n", seconds(workerCpu) * 1e3,
              100.0 * seconds(workerCpu) / wall);
  std::printf(
      "  whole process (SDL's audio thread, the writer): %.1f ms CPU = %.3f%% of one core\n",
      processCpu * 1e3, 100.0 * processCpu / wall);
  if (!path.empty()) {
    std::printf("  %u samples (%.2f s) to %s, %s\n", outcome.sampleCount,
                outcome.sampleCount / 44100.0, outcome.path.c_str(),
                outcome.ending == RecordEnding::kStopped ? "complete" : "ended early");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double playSeconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const std::string path = argc > 2 ? argv[2] : "/tmp/synth_load_bench.wav";
  setenv("SDL_AUDIODRIVER", "dummy", 0);

  // Two seconds of a 220 Hz tone with its third harmonic.
  std::vector<float> samples(88200);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = 2.0 * M_PI * 220.0 * static_cast<double>(i) / 44100.0;
    samples[i] = static_cast<float>(0.6 * std::sin(t) + 0.2 * std::sin(3.0 * t));
  }
  Granulator granulator;
  granulator.prepare(samples.data(), static_cast<int>(samples.size()), 1000);
  granulator.setLengthRange(1000, 3000);
  granulator.setZeroChance(0.1f);
  granulator.setPitchRange(0.75f, 1.5f, 0.01f);
  granulator.setLocation(0.05f, 1.0f);
  granulator.setPitchMode(PitchMode::kEachHeadWalks);
  seedRandom(static_cast<uint32_t>(std::time(nullptr)));

  play(granulator, playSeconds, "");
  play(granulator, playSeconds, path);
  return 0;
}
