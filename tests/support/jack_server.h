// A JACK server on its dummy driver for one test, under a name no other test uses, and a client
// of it that captures a port and sends MIDI. Tests skip when jackd is not installed.
#pragma once

#include <fcntl.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

class JackServer {
 public:
  // Starts `jackd -d dummy` at `rate` and `period` frames, and points JACK_DEFAULT_SERVER at it.
  // running() tells whether a client could join it within ten seconds.
  JackServer(unsigned rate, unsigned period) {
    static std::atomic<int> count{0};
    name = "grain_test_" + std::to_string(getpid()) + "_" + std::to_string(count++);
    if (access("/usr/bin/jackd", X_OK) != 0) {
      return;
    }
    const std::string rateArg = std::to_string(rate);
    const std::string periodArg = std::to_string(period);
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) {
      // A server that outlived its test would hold one of the eight places JACK has for servers.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) {
        _exit(0);
      }
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, STDOUT_FILENO);
      dup2(quiet, STDERR_FILENO);
      // A long client timeout: a loaded machine running tests side by side answers slowly.
      execl("/usr/bin/jackd", "jackd", "-n", name.c_str(), "-t", "5000", "-d", "dummy", "-r",
            rateArg.c_str(), "-p", periodArg.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    // Each try before the server is up would print three lines.
    jack_set_error_function([](const char*) {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!up && std::chrono::steady_clock::now() < deadline) {
      jack_client_t* probe = jack_client_open("probe", JackNoStartServer, nullptr);
      if (probe != nullptr) {
        jack_client_close(probe);
        up = true;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    jack_set_error_function(nullptr);
  }
  ~JackServer() { kill(); }
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  bool running() const { return up; }
  // Ends the server as a user stopping it would. Never SIGKILL: a killed server keeps its place in
  // JACK's table of servers, and the table holds eight.
  void kill() {
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
      pid = -1;
    }
  }

 private:
  std::string name;
  pid_t pid = -1;
  bool up = false;
};

// A test's own client: the input port `in`, captured into a buffer allocated up front, and the
// MIDI port `midi_out`, which sends the bytes given to send() in its next cycle.
class JackProbe {
 public:
  explicit JackProbe(size_t captureFrames)
      : captured(captureFrames), cycles(captureFrames / 16 + 1) {
    client = jack_client_open("test_probe", JackNoStartServer, nullptr);
    if (client == nullptr) {
      return;
    }
    in = jack_port_register(client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    midiOut = jack_port_register(client, "midi_out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    jack_set_process_callback(client, onProcess, this);
    jack_activate(client);
  }
  ~JackProbe() {
    if (client != nullptr) {
      jack_client_close(client);
    }
  }
  JackProbe(const JackProbe&) = delete;
  JackProbe& operator=(const JackProbe&) = delete;

  bool connect(const char* source, const char* destination) {
    return client != nullptr && jack_connect(client, source, destination) == 0;
  }
  void startCapture() { capturing.store(true); }
  size_t capturedFrames() const { return filled.load(); }
  const std::vector<float>& capture() const { return captured; }
  void send(std::vector<uint8_t> bytes) {
    outgoing = std::move(bytes);
    pending.store(true);
  }
  bool sent() const { return !pending.load(); }
  // The frame time at which captured sample `index` arrived: a server that falls behind skips
  // frame time, never samples. And the frame time of the last bytes sent.
  jack_nframes_t frameOf(size_t index) const {
    size_t cycle = 0;
    while (cycle + 1 < cycleCount.load() && cycles[cycle + 1].index <= index) ++cycle;
    return cycles[cycle].frame + static_cast<jack_nframes_t>(index - cycles[cycle].index);
  }
  jack_nframes_t sentFrame() const { return sendFrame.load(); }
  jack_client_t* handle() const { return client; }

 private:
  static int onProcess(jack_nframes_t frames, void* self) {
    auto* me = static_cast<JackProbe*>(self);
    void* midi = jack_port_get_buffer(me->midiOut, frames);
    jack_midi_clear_buffer(midi);
    if (me->pending.load()) {
      jack_midi_event_write(midi, 0, me->outgoing.data(), me->outgoing.size());
      me->sendFrame.store(jack_last_frame_time(me->client));
      me->pending.store(false);
    }
    const auto* samples = static_cast<const float*>(jack_port_get_buffer(me->in, frames));
    size_t at = me->filled.load(std::memory_order_relaxed);
    const size_t cycle = me->cycleCount.load(std::memory_order_relaxed);
    if (me->capturing.load() && at < me->captured.size() && cycle < me->cycles.size()) {
      me->cycles[cycle] = {at, jack_last_frame_time(me->client)};
      me->cycleCount.store(cycle + 1);
    }
    for (jack_nframes_t i = 0; i < frames && me->capturing.load() && at < me->captured.size();
         ++i) {
      me->captured[at++] = samples[i];
    }
    me->filled.store(at);
    return 0;
  }

  jack_client_t* client = nullptr;
  jack_port_t* in = nullptr;
  jack_port_t* midiOut = nullptr;
  std::vector<float> captured;
  std::atomic<size_t> filled{0};
  std::atomic<bool> capturing{false};
  std::vector<uint8_t> outgoing;
  std::atomic<bool> pending{false};
  struct Cycle {
    size_t index;
    jack_nframes_t frame;
  };
  std::vector<Cycle> cycles;
  std::atomic<size_t> cycleCount{0};
  std::atomic<jack_nframes_t> sendFrame{0};
};
