// The remote control: each address and type to its instrument call, refusals that change
// nothing, and the UDP port that carries them.
#include "osc_control.h"

#include <gtest/gtest.h>
#include <netinet/in.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "control_values.h"
#include "fake_services.h"
#include "instrument.h"
#include "osc_port.h"
#include "playback_context.h"
#include "test_wav.h"

namespace {

// Each Run lends the engine to a worker that leaves at once: the transport plays, nothing sounds.
uint32_t leaveAtOnce(const PlaybackContext&) {
  return 0;
}

struct Panel {
  Panel() { instrument.transport().setWorker(leaveAtOnce); }

  testwav::TempDir dir;
  FakeServices services;
  Instrument instrument{services, dir.path()};
};

OscMessage message(const char* path, std::vector<OscValue> args = {}) {
  OscMessage m;
  m.path = path;
  m.args = std::move(args);
  return m;
}

TEST(OscControl, SetsSlidersByPositionOrByFractionAndRefusesTheRest) {
  struct Row {
    OscMessage in;
    OscVerdict verdict;
    int id;
    int position;
  };
  const Row rows[] = {
      {message("/grainpanel/length1", {oscInt(2500)}), OscVerdict::kApplied, IDC_LENGTH1, 2500},
      {message("/grainpanel/walk", {oscInt(7)}), OscVerdict::kApplied, IDC_PITCHWALK, 7},
      {message("/grainpanel/length1", {oscInt(99999)}), OscVerdict::kApplied, IDC_LENGTH1, 4000},
      {message("/grainpanel/pitch1", {oscInt(-5)}), OscVerdict::kApplied, IDC_PITCH1, 0},
      {message("/grainpanel/pitch2", {oscFloat(0.25f)}), OscVerdict::kApplied, IDC_PITCH2, 25000},
      // 1 + 0.5 * 3999 = 2000.5, rounded away from zero; the range starts at 1.
      {message("/grainpanel/fade", {oscFloat(0.5f)}), OscVerdict::kApplied, IDC_FADE, 2001},
      // 0.7f is 0.69999998..., times 4000 is 2799.9999: rounded, not truncated.
      {message("/grainpanel/length2", {oscFloat(0.7f)}), OscVerdict::kApplied, IDC_LENGTH2, 2800},
      {message("/grainpanel/speed", {oscFloat(1.5f)}), OscVerdict::kApplied, IDC_SPEED, 10000},
      {message("/grainpanel/zero", {oscFloat(-0.2f)}), OscVerdict::kApplied, IDC_ZERO, 0},
      {message("/grainpanel/spread", {oscFloat(NAN)}), OscVerdict::kBadValue, 0, 0},
      {message("/grainpanel/spread", {oscString("9")}), OscVerdict::kWrongTypes, 0, 0},
      {message("/grainpanel/pitch1", {oscInt(1), oscInt(2)}), OscVerdict::kWrongTypes, 0, 0},
      {message("/grainpanel/pitch1"), OscVerdict::kWrongTypes, 0, 0},
      {message("/grainpanel/method", {oscFloat(1.0f)}), OscVerdict::kWrongTypes, 0, 0},
      {message("/grainpanel/method", {oscInt(2)}), OscVerdict::kBadValue, 0, 0},
      {message("/grainpanel/record", {oscInt(-1)}), OscVerdict::kBadValue, 0, 0},
      {message("/grainpanel/run", {oscInt(1)}), OscVerdict::kWrongTypes, 0, 0},
      {message("/grainpanel/Length1", {oscInt(5)}), OscVerdict::kUnknownAddress, 0, 0},
      {message("/grainpanel/open", {oscString("/etc/passwd")}), OscVerdict::kUnknownAddress, 0, 0},
      {message("/grainpanel", {oscInt(5)}), OscVerdict::kUnknownAddress, 0, 0},
      {message("/length1", {oscInt(5)}), OscVerdict::kUnknownAddress, 0, 0},
  };
  Panel panel;
  OscControl control(panel.instrument);
  int refused = 0;
  for (const Row& row : rows) {
    const ControlValues before = panel.instrument.values();
    std::vector<OscMessage> replies;
    EXPECT_EQ(control.apply(row.in, replies), row.verdict) << row.in.path;
    EXPECT_TRUE(replies.empty());
    if (row.verdict == OscVerdict::kApplied) {
      EXPECT_EQ(panel.instrument.position(row.id), row.position) << row.in.path;
    } else {
      EXPECT_TRUE(panel.instrument.values() == before) << row.in.path;
      EXPECT_EQ(control.counts().refused(), ++refused) << row.in.path;
    }
  }
}

TEST(OscControl, RunStopAndRecordActOnlyWhenTheStateDiffersAndRunNeedsASound) {
  Panel panel;
  Instrument& instrument = panel.instrument;
  OscControl control(instrument);
  std::vector<OscMessage> replies;
  // Not the panel's "Please select a file first..." box: no one may be there to close it.
  EXPECT_EQ(control.apply(message("/grainpanel/run"), replies), OscVerdict::kNoSound);
  EXPECT_TRUE(panel.services.messages.empty());
  ASSERT_TRUE(instrument.openSound(
      panel.dir.write("tone.wav", testwav::monoWav16(std::vector<int16_t>(4096, 1000)))));
  ASSERT_TRUE(instrument.playing());
  control.apply(message("/grainpanel/run"), replies);
  EXPECT_TRUE(instrument.playing());
  control.apply(message("/grainpanel/stop"), replies);
  control.apply(message("/grainpanel/stop"), replies);
  EXPECT_FALSE(instrument.playing());
  control.apply(message("/grainpanel/run"), replies);
  control.apply(message("/grainpanel/record", {oscInt(1)}), replies);
  control.apply(message("/grainpanel/record", {oscInt(1)}), replies);
  EXPECT_TRUE(instrument.recordPressed());
  control.apply(message("/grainpanel/record", {oscInt(0)}), replies);
  EXPECT_FALSE(instrument.recordPressed());
  control.apply(message("/grainpanel/method", {oscInt(1)}), replies);
  EXPECT_EQ(instrument.position(IDC_METHOD), 1);
  EXPECT_EQ(control.counts().applied, 8);
  EXPECT_EQ(control.counts().noSound, 1);
}

TEST(OscPort, AnswersGetToTheSenderAndCountsOversizedAndForeignPackets) {
  Panel panel;
  const int ids[] = {IDC_LENGTH1, IDC_LENGTH2, IDC_PITCH1, IDC_PITCH2, IDC_PITCHWALK,
                     IDC_ZERO,    IDC_SPREAD,  IDC_SPEED,  IDC_FADE};
  for (int k = 0; k < 9; ++k) {
    panel.instrument.setPosition(ids[k], k + 1);
  }
  panel.instrument.setMethod(1);
  const ControlValues before = panel.instrument.values();
  OscControl control(panel.instrument);
  OscPort server;
  OscPort client;
  std::string problem;
  ASSERT_TRUE(server.open("127.0.0.1", 0, problem)) << problem;
  ASSERT_TRUE(client.open("127.0.0.1", 0, problem)) << problem;
  OscPeer serverPeer;
  ASSERT_TRUE(
      resolveOscUrl("osc.udp://127.0.0.1:" + std::to_string(server.port()) + "/", serverPeer));

  ASSERT_TRUE(client.send(message("/grainpanel/get"), serverPeer));
  ASSERT_TRUE(
      client.send(message("/grainpanel/zero", {oscString(std::string(1100, 'x'))}), serverPeer));
  const char foreign[] = "#bundle\0\0\0\0\0\0\0\0\1";
  sendto(client.fd(), foreign, sizeof foreign, 0,
         reinterpret_cast<const sockaddr*>(&serverPeer.address), serverPeer.length);

  OscMessage in;
  OscPeer from;
  std::vector<OscMessage> replies;
  ASSERT_EQ(server.receive(in, from, kOscMaxPacketBytes), OscPort::Received::kMessage);
  EXPECT_EQ(control.apply(in, replies), OscVerdict::kApplied);
  EXPECT_EQ(server.receive(in, from, kOscMaxPacketBytes), OscPort::Received::kOversized);
  EXPECT_EQ(server.receive(in, from, kOscMaxPacketBytes), OscPort::Received::kMalformed);
  EXPECT_EQ(server.receive(in, from, kOscMaxPacketBytes), OscPort::Received::kNone);
  EXPECT_TRUE(panel.instrument.values() == before);

  for (const OscMessage& reply : replies) {
    ASSERT_TRUE(server.send(reply, from));
  }
  std::string answered;
  while (client.receive(in, from, kOscMaxPacketBytes) == OscPort::Received::kMessage) {
    answered += in.path + " " + in.types() + std::to_string(in.args[0].i) + "\n";
  }
  EXPECT_EQ(answered,
            "/grainpanel/length1 i1\n/grainpanel/length2 i2\n/grainpanel/pitch1 i3\n"
            "/grainpanel/pitch2 i4\n/grainpanel/walk i5\n/grainpanel/zero i6\n"
            "/grainpanel/spread i7\n/grainpanel/speed i8\n/grainpanel/fade i9\n"
            "/grainpanel/method i1\n");
}

}  // namespace
