// The process's JACK client "Grainpanel": the audio port `out`, which plays the current sound
// ring converted from 44 100 Hz to the server's rate, and the MIDI port `midi_in`, whose events go
// to a MidiSink. It lives as long as the process; rings come and go with each Run.
#pragma once

#include <jack/types.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

class JackSoundRing;
class MidiSink;
struct soxr;

class JackClient {
 public:
  static constexpr const char* kName = "Grainpanel";
  static constexpr const char* kOutPort = "out";
  static constexpr const char* kMidiPort = "midi_in";
  // Samples of the ring the converter takes at a time.
  static constexpr int kChunkSamples = 64;

  JackClient() = default;
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  // Joins a server that already runs (never starts one), registers both ports, starts the process
  // callback and, when `connect`, connects `out` to the first two physical playback ports. False,
  // with nothing left open, when no server answers.
  bool open(bool connect);
  void close();
  // Open, and the server still there.
  bool running() const;
  bool serverGone() const { return gone.load(std::memory_order_acquire); }
  uint32_t serverRate() const { return rate; }
  // The full name of the port `out`, as jack_connect takes it.
  const char* outPortName() const;

  // Null for none. The sink is called on the process thread with each event's bytes. Returns
  // once no cycle calls the sink set before, so that it may then go.
  void setMidiSink(MidiSink* sink);

  // The ring that `out` plays from the next cycle on; one at a time.
  void attach(JackSoundRing* ring);
  // Plays silence again and returns once no cycle reads the ring that was attached.
  void detach();

 private:
  static int onProcess(jack_nframes_t frames, void* self);
  static void onShutdown(void* self);
  static size_t onInput(void* self, const void** data, size_t wanted);
  void process(jack_nframes_t frames);
  void awaitCycleEnd() const;
  void read(int16_t* to, int count);

  jack_client_t* client = nullptr;
  jack_port_t* out = nullptr;
  jack_port_t* midiIn = nullptr;
  uint32_t rate = 0;
  // Null when the server runs at 44 100 Hz: the ring's samples then pass straight through.
  soxr* resampler = nullptr;
  std::array<int16_t, kChunkSamples> chunk{};
  std::atomic<JackSoundRing*> ring{nullptr};
  // The ring this cycle reads, loaded once at its start; the process thread's own.
  JackSoundRing* playing = nullptr;
  std::atomic<bool> inCycle{false};
  std::atomic<MidiSink*> midiSink{nullptr};
  std::atomic<bool> gone{false};
};
