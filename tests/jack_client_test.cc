// The JACK client and its sound ring on a JACK server of the dummy driver, driven by a test client.
#include "jack_client.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "device_failure.h"
#include "jack_server.h"
#include "jack_sound_ring.h"
#include "joining_thread.h"
#include "midi_sink.h"
#include "run_flag.h"
#include "synth_thread.h"

namespace {

// 1, 2, 3, ... 30000 again and again, each value exact in 16 bits: (k + 0.5) / 32767 truncates to
// k. Or a 1 kHz sine when asked.
struct TestSource {
  bool sine = false;
  uint32_t n = 0;
  float nextSample() {
    ++n;
    if (sine) {
      return static_cast<float>(0.5 * std::sin(2.0 * M_PI * 1000.0 * n / 44100.0));
    }
    return static_cast<float>((1 + n % 30000 + 0.5) / 32767.0);
  }
  void publishView() {}
};

struct RecordingSink : MidiSink {
  std::vector<uint8_t> bytes;
  std::atomic<int> messages{0};
  void receive(const uint8_t* data, size_t count) override {
    if (bytes.size() + count <= bytes.capacity()) {
      bytes.insert(bytes.end(), data, data + count);
    }
    messages.fetch_add(1);
  }
};

std::string portName(const char* client, const char* port) {
  return std::string(client) + ":" + port;
}

// Plays `source` through the client for the time it takes the probe to fill its buffer.
void play(JackClient& client, TestSource& source, JackProbe& probe, uint32_t ringBytes) {
  g_running = true;
  JoiningThread worker(
      [&] {
        JackSoundRing ring(client);
        runSynthesis(source, ring, nullptr, ringBytes);
      },
      [] { g_running = false; });
  probe.startCapture();
  while (probe.capturedFrames() < probe.capture().size()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

TEST(JackClient, PassesTheStreamThroughAtTheSameRateAndHandsOnMidiBytes) {
  JackServer server(44100, 128);
  if (!server.running())
    GTEST_SKIP() << "no jackd";
  JackClient client;
  ASSERT_TRUE(client.open(false));
  RecordingSink sink;
  sink.bytes.reserve(64);
  client.setMidiSink(&sink);
  JackProbe probe(44100 / 2);
  ASSERT_TRUE(probe.connect(client.outPortName(), portName("test_probe", "in").c_str()));
  ASSERT_TRUE(probe.connect("test_probe:midi_out", "Grainpanel:midi_in"));

  // Running status: the second CC comes without its status byte, and passes as it came.
  probe.send({0xB3, 7, 100, 8, 0});
  TestSource source;
  play(client, source, probe, 2048);
  // A test client too slow for its cycle (under ThreadSanitizer) has its last buffer sent again.
  const std::vector<uint8_t> sent = {0xB3, 7, 100, 8, 0};
  ASSERT_FALSE(sink.bytes.empty());
  ASSERT_EQ(sink.bytes.size() % sent.size(), 0u);
  for (size_t at = 0; at < sink.bytes.size(); at += sent.size()) {
    EXPECT_EQ(std::vector<uint8_t>(sink.bytes.begin() + at, sink.bytes.begin() + at + 5), sent);
  }

  // After the ring's silent first lap, the stream's own 16-bit values, unconverted, one after
  // another (a machine loaded by other tests may replay a lap or two now and then).
  const std::vector<float>& got = probe.capture();
  size_t first = 0;
  while (first < got.size() && got[first] == 0.0f) ++first;
  ASSERT_LT(first + 10000, got.size());
  int steps = 0;
  for (size_t i = first; i < first + 10000; ++i) {
    const float value = got[i] * 32768.0f;
    ASSERT_TRUE(value == std::floor(value) && value >= 1.0f && value <= 30000.0f) << value;
    steps += i > first && value == got[i - 1] * 32768.0f + 1.0f ? 1 : 0;
  }
  EXPECT_GE(steps, 9900);
}

// 1 kHz at 44 100 Hz must stay 1 kHz at 48 000: 2000 zero crossings a second. Samples passed
// through unconverted would sound at 1088 Hz, 2177 crossings.
TEST(JackClient, ConvertsToTheServersRate) {
  JackServer server(48000, 256);
  if (!server.running())
    GTEST_SKIP() << "no jackd";
  JackClient client;
  ASSERT_TRUE(client.open(false));
  EXPECT_EQ(client.serverRate(), 48000u);
  JackProbe probe(48000 * 2);
  ASSERT_TRUE(probe.connect(client.outPortName(), "test_probe:in"));
  TestSource source;
  source.sine = true;
  play(client, source, probe, 8192);
  const std::vector<float>& got = probe.capture();
  // The last second: well past the silent lap and the converter's start.
  int crossings = 0;
  for (size_t i = 48001; i < got.size(); ++i) {
    crossings += (got[i - 1] < 0.0f) != (got[i] < 0.0f) ? 1 : 0;
  }
  EXPECT_NEAR(crossings, 2000, 20);
}

TEST(JackClient, ConnectsOutToThePlaybackPortsUnlessToldNot) {
  JackServer server(48000, 256);
  if (!server.running())
    GTEST_SKIP() << "no jackd";
  for (const bool connect : {true, false}) {
    JackClient client;
    ASSERT_TRUE(client.open(connect));
    JackProbe probe(1);
    jack_port_t* out = jack_port_by_name(probe.handle(), client.outPortName());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(jack_port_connected_to(out, "system:playback_1"), connect ? 1 : 0);
    EXPECT_EQ(jack_port_connected_to(out, "system:playback_2"), connect ? 1 : 0);
  }
}

// Without the server the position stands still: the worker must not wait for it for ever.
TEST(JackClient, AServerGoneWhilePlayingIsADeviceFailure) {
  JackServer server(48000, 256);
  if (!server.running())
    GTEST_SKIP() << "no jackd";
  JackClient client;
  ASSERT_TRUE(client.open(false));
  static std::atomic<const char*> said{nullptr};
  setDeviceFailureHandler([](const char* message) { said.store(message); });
  g_running = true;
  // It never comes back: failDevice leaves it asleep for the process's end.
  std::thread([&client] {
    TestSource source;
    JackSoundRing ring(client);
    runSynthesis(source, ring);
  }).detach();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  server.kill();
  for (int i = 0; i < 500 && said.load() == nullptr; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(said.load(), nullptr);
  EXPECT_STREQ(said.load(), kServerGoneText);
  g_running = false;
}

}  // namespace
