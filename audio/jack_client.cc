// The JACK client: ports, the process callback with its converter, and the ring hand-over.
#include "jack_client.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <soxr.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "jack_sound_ring.h"
#include "midi_sink.h"
#include "sample_rate.h"

namespace {

void quiet(const char*) {}

// Enough cycles of silence for the converter to have grown every buffer it keeps.
constexpr int kWarmUpCycles = 16;

}  // namespace

JackClient::~JackClient() {
  close();
}

bool JackClient::open(bool connect) {
  if (client != nullptr) {
    return true;
  }
  // Finding no server is an answer, not an error: libjack's own lines about it stay unsaid.
  jack_set_error_function(quiet);
  jack_status_t status{};
  client = jack_client_open(kName, JackNoStartServer, &status);
  jack_set_error_function(nullptr);
  if (client == nullptr) {
    return false;
  }
  gone.store(false, std::memory_order_release);
  rate = jack_get_sample_rate(client);
  out = jack_port_register(client, kOutPort, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  midiIn = jack_port_register(client, kMidiPort, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (out == nullptr || midiIn == nullptr) {
    close();
    return false;
  }
  if (rate != static_cast<uint32_t>(kSampleRate)) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    // One thread: the converter runs inside the process callback and must start none of its own.
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    resampler = soxr_create(kSampleRate, rate, 1, &error, &io, &quality, &runtime);
    if (error != nullptr || soxr_set_input_fn(resampler, onInput, this, kChunkSamples) != nullptr) {
      close();
      return false;
    }
    // The converter allocates as it first runs; it does so here, never in the callback.
    std::vector<float> scratch(std::max<jack_nframes_t>(jack_get_buffer_size(client), 1024));
    for (int i = 0; i < kWarmUpCycles; ++i) {
      soxr_output(resampler, scratch.data(), scratch.size());
    }
  }
  jack_set_process_callback(client, onProcess, this);
  jack_on_shutdown(client, onShutdown, this);
  if (jack_activate(client) != 0) {
    close();
    return false;
  }
  if (connect) {
    const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                        JackPortIsPhysical | JackPortIsInput);
    // A mono stream goes to the left and the right playback port alike.
    for (int i = 0; ports != nullptr && ports[i] != nullptr && i < 2; ++i) {
      jack_connect(client, jack_port_name(out), ports[i]);
    }
    jack_free(ports);
  }
  return true;
}

void JackClient::close() {
  if (client != nullptr) {
    jack_client_close(client);
    client = nullptr;
  }
  out = nullptr;
  midiIn = nullptr;
  if (resampler != nullptr) {
    soxr_delete(resampler);
    resampler = nullptr;
  }
}

bool JackClient::running() const {
  return client != nullptr && !serverGone();
}

const char* JackClient::outPortName() const {
  return out != nullptr ? jack_port_name(out) : "";
}

void JackClient::attach(JackSoundRing* newRing) {
  ring.store(newRing);
}

void JackClient::detach() {
  ring.store(nullptr);
  awaitCycleEnd();
}

void JackClient::setMidiSink(MidiSink* sink) {
  midiSink.store(sink);
  awaitCycleEnd();
}

// A cycle that loaded a pointer before it changed finishes with it first. A cycle cut off by a
// server that went away never finishes, and never reads again.
void JackClient::awaitCycleEnd() const {
  while (inCycle.load() && !serverGone()) {
    std::this_thread::yield();
  }
}

int JackClient::onProcess(jack_nframes_t frames, void* self) {
  static_cast<JackClient*>(self)->process(frames);
  return 0;
}

void JackClient::onShutdown(void* self) {
  static_cast<JackClient*>(self)->gone.store(true, std::memory_order_release);
}

size_t JackClient::onInput(void* self, const void** data, size_t wanted) {
  auto* me = static_cast<JackClient*>(self);
  const auto count = static_cast<int>(std::min<size_t>(wanted, kChunkSamples));
  me->read(me->chunk.data(), count);
  *data = me->chunk.data();
  return static_cast<size_t>(count);
}

void JackClient::process(jack_nframes_t frames) {
  // Sequentially consistent with attach, detach and setMidiSink: either they see this cycle in,
  // or this cycle sees what they stored.
  inCycle.store(true);
  MidiSink* sink = midiSink.load();
  void* events = jack_port_get_buffer(midiIn, frames);
  const uint32_t eventCount = jack_midi_get_event_count(events);
  for (uint32_t i = 0; i < eventCount && sink != nullptr; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, events, i) == 0) {
      sink->receive(event.buffer, event.size);
    }
  }

  auto* samples = static_cast<float*>(jack_port_get_buffer(out, frames));
  playing = ring.load();
  if (resampler == nullptr) {
    for (jack_nframes_t done = 0; done < frames;) {
      const int count = static_cast<int>(std::min<jack_nframes_t>(frames - done, kChunkSamples));
      read(chunk.data(), count);
      for (int i = 0; i < count; ++i) {
        samples[done + i] = static_cast<float>(chunk[i] * (1.0 / 32768.0));
      }
      done += static_cast<jack_nframes_t>(count);
    }
  } else {
    const size_t made = soxr_output(resampler, samples, frames);
    std::fill(samples + std::min<size_t>(made, frames), samples + frames, 0.0f);
  }
  playing = nullptr;
  inCycle.store(false, std::memory_order_release);
}

void JackClient::read(int16_t* to, int count) {
  if (playing != nullptr) {
    playing->fill(to, count);
  } else {
    std::fill(to, to + count, int16_t{0});
  }
}
