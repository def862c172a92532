// Plays the engine through the JACK client on a JACK server of the dummy driver while other
// processes load the machine, sends a MIDI CC to the client's port every half second, and measures
// how long after its arrival the first output sample it could change leaves the port `out`. The
// capture is compared with the offline render of the same stream for stale and lost blocks.
// Usage: jack_latency_bench [--runs N] [--seconds S] [--latency MS] [--period FRAMES]
//                           [--spinners N] [--churners N] [--sound PATH]
//   (20 runs of 10 s, the default ring, 128-frame periods at 44 100 Hz, 4 spinning and 2
//   memory-churning processes, samples/pad.wav by default)
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "control_values.h"
#include "engine_settings.h"
#include "granulator.h"
#include "jack_client.h"
#include "jack_server.h"
#include "jack_sound_ring.h"
#include "machine_load.h"
#include "midi_sink.h"
#include "offline_render.h"
#include "pcm16.h"
#include "run_flag.h"
#include "sample_rate.h"
#include "sound_loader.h"
#include "stream_out.h"
#include "stream_tally.h"
#include "synth_thread.h"

namespace {

constexpr int kMaxMarks = 256;
constexpr int kRealTimePriority = 20;

struct Options {
  int runs = 20;
  double seconds = 10.0;
  int latencyMs = 0;
  int period = 128;
  int spinners = 4;
  int churners = 2;
  std::string sound = "samples/pad.wav";
};

// Counts the control changes that arrive at the client's MIDI port, on its process thread.
class CountingSink : public MidiSink {
 public:
  void receive(const uint8_t* bytes, size_t count) override {
    if (count == 3 && (bytes[0] & 0xF0) == 0xB0) {
      arrived.fetch_add(1, std::memory_order_release);
    }
  }
  std::atomic<int> arrived{0};
};

// The engine as the worker plays it, noting the index of the first sample it computes after each
// control change arrived: the first sample such a change could alter.
class MarkingSource {
 public:
  MarkingSource(Granulator& granulator, const CountingSink& sink)
      : granulator(granulator), sink(sink) {}
  float nextSample() {
    if (sink.arrived.load(std::memory_order_acquire) > marked && marked < kMaxMarks) {
      marks[marked++] = index;
    }
    ++index;
    return granulator.nextSample();
  }
  void publishView() { granulator.publishView(); }
  int count() const { return marked; }
  uint64_t mark(int i) const { return marks[i]; }

 private:
  Granulator& granulator;
  const CountingSink& sink;
  uint64_t index = 0;
  int marked = 0;
  uint64_t marks[kMaxMarks] = {};
};

struct RunResult {
  Tally tally;
  std::vector<double> latenciesMs;
};

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

RunResult playOnce(const Options& options, const Sound& sound, const ControlValues& positions,
                   uint32_t seed, JackClient& client, CountingSink& sink) {
  const auto frames = static_cast<size_t>((options.seconds + 1.0) * kSampleRate);
  // Two clients, so that the graph runs sender, panel, capture in one cycle without a loop.
  JackProbe sender(1);
  JackProbe probe(frames);
  sender.connect("test_probe:midi_out", "Grainpanel:midi_in");
  const std::string in = std::string(jack_get_client_name(probe.handle())) + ":in";
  probe.connect(client.outPortName(), in.c_str());

  Granulator granulator;
  startFirstRun(granulator, positions, sound.samples.get(), sound.frameCount, seed);
  sink.arrived.store(0);
  MarkingSource source(granulator, sink);
  std::vector<jack_nframes_t> sentFrames;

  g_running = true;
  probe.startCapture();
  std::thread worker([&] {
    sched_param param{};
    param.sched_priority = kRealTimePriority;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    JackSoundRing ring(client);
    runSynthesis(source, ring, nullptr, ringBytesForLatency(options.latencyMs));
  });
  // The first change once the ring's silent lap is surely over, then one every half second.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(options.seconds);
  while (std::chrono::steady_clock::now() < end) {
    const int value = static_cast<int>(sentFrames.size() % 128);
    sender.send({0xB0, 7, static_cast<uint8_t>(value)});
    while (!sender.sent()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    sentFrames.push_back(sender.sentFrame());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  g_running = false;
  worker.join();

  // Pass-through at 44 100 Hz: the capture holds the ring's 16-bit samples exactly.
  const size_t got = probe.capturedFrames();
  std::vector<int16_t> captured(got);
  for (size_t i = 0; i < got; ++i) {
    captured[i] = static_cast<int16_t>(probe.capture()[i] * 32768.0f);
  }
  const std::vector<int16_t> expected =
      renderOffline(options, positions, seed, got + kResyncBlocks * kTallyBlock);
  // The stream starts where its first block is heard, at any period boundary. It may open with
  // silence, which the ring's first lap also plays: look for its first sounding block instead.
  size_t sounding = 0;
  while (sounding + kTallyBlock < expected.size() &&
         std::all_of(expected.begin() + static_cast<long>(sounding),
                     expected.begin() + static_cast<long>(sounding + kTallyBlock),
                     [](int16_t x) { return x == 0; })) {
    sounding += kTallyBlock;
  }
  size_t at = 0;
  while (at + kTallyBlock <= got &&
         !std::equal(expected.begin() + static_cast<long>(sounding),
                     expected.begin() + static_cast<long>(sounding + kTallyBlock),
                     captured.begin() + static_cast<long>(at))) {
    ++at;
  }
  const size_t start = at >= sounding ? at - sounding : 0;
  RunResult result;
  // The server's cycles are the capture's blocks: one the client missed shifts the rest by one.
  // The server's cycles are the capture's blocks: one the client missed shifts the rest by one.
  result.tally =
      compare(std::vector<int16_t>(captured.begin() + static_cast<long>(start), captured.end()),
              expected, static_cast<size_t>(options.period));
  // Stream sample i was captured at start + i while nothing was replayed.
  if (result.tally.aligned && result.tally.stale + result.tally.lost == 0) {
    for (int i = 0; i < source.count() && i < static_cast<int>(sentFrames.size()); ++i) {
      const auto heard = static_cast<int64_t>(probe.frameOf(start + source.mark(i)));
      const auto arrived = static_cast<int64_t>(sentFrames[i]);
      result.latenciesMs.push_back(static_cast<double>(heard - arrived) * 1000.0 / kSampleRate);
    }
  }
  return result;
}

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const char* value = argv[i + 1];
    if (name == "--runs") {
      options.runs = std::atoi(value);
    } else if (name == "--seconds") {
      options.seconds = std::atof(value);
    } else if (name == "--latency") {
      options.latencyMs = std::atoi(value);
    } else if (name == "--period") {
      options.period = std::atoi(value);
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
  return argc % 2 == 1 && options.runs > 0 && options.seconds > 0.0 && options.period > 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fputs(
        "usage: jack_latency_bench [--runs N] [--seconds S] [--latency MS] [--period FRAMES] "
        "[--spinners N] [--churners N] [--sound PATH]\n",
        stderr);
    return 2;
  }
  Sound sound;
  if (loadSound(options.sound.c_str(), sound).result != LoadResult::kLoaded) {
    std::fprintf(stderr, "cannot load %s\n", options.sound.c_str());
    return 1;
  }
  JackServer server(kSampleRate, static_cast<unsigned>(options.period));
  JackClient client;
  CountingSink sink;
  if (!server.running() || !client.open(false)) {
    std::fputs("cannot start jackd -d dummy\n", stderr);
    return 1;
  }
  client.setMidiSink(&sink);
  ControlValues startup;
  setStartupPositions(startup);

  const uint32_t ringBytes = ringBytesForLatency(options.latencyMs);
  std::printf(
      "%s through JACK's dummy driver at %d Hz, %d-frame periods; ring %u bytes (%.1f ms); %d runs "
      "of %.1f s; load: %d spinning, %d churning processes\n",
      options.sound.c_str(), kSampleRate, options.period, ringBytes,
      ringBytes * 1000.0 / StreamOut::kBytesPerSecond, options.runs, options.seconds,
      options.spinners, options.churners);
  std::printf("load average before: %s\n", loadAverage().c_str());
  std::fflush(stdout);
  int glitchedRuns = 0;
  std::vector<double> all;
  {
    const Load load(options.spinners, options.churners);
    for (int run = 0; run < options.runs; ++run) {
      const RunResult result =
          playOnce(options, sound, startup, 1000u + static_cast<uint32_t>(run), client, sink);
      const Tally& tally = result.tally;
      if (!tally.aligned) {
        std::printf("run %2d: the stream's first block was never heard\n", run + 1);
        ++glitchedRuns;
        continue;
      }
      std::printf("run %2d: %5zu periods played, %3zu stale, %3zu lost", run + 1, tally.played,
                  tally.stale, tally.lost);
      if (tally.stale > 0) {
        std::printf(" (the first at %.2f s of sound)",
                    static_cast<double>(tally.firstStale * options.period) / kSampleRate);
      }
      if (!result.latenciesMs.empty()) {
        const auto [low, high] =
            std::minmax_element(result.latenciesMs.begin(), result.latenciesMs.end());
        std::printf("; CC to sound %.1f to %.1f ms over %zu changes", *low, *high,
                    result.latenciesMs.size());
      }
      std::printf("\n");
      std::fflush(stdout);
      all.insert(all.end(), result.latenciesMs.begin(), result.latenciesMs.end());
      glitchedRuns += tally.stale + tally.lost > 0 ? 1 : 0;
    }
  }
  std::printf("load average after: %s\n", loadAverage().c_str());
  std::printf("runs with stale or lost periods: %d of %d\n", glitchedRuns, options.runs);
  if (!all.empty()) {
    std::sort(all.begin(), all.end());
    std::printf(
        "CC to first changed sample: min %.1f ms, median %.1f ms, max %.1f ms (%zu changes)\n",
        all.front(), all[all.size() / 2], all.back(), all.size());
  }
  client.close();
  return 0;
}
