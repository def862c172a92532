// The remote control: each address and type to its instrument call, refusals that change
// nothing, and the UDP port that carries them.
#include "osc_control.h"

#include <gtest/gtest.h>
#include <netinet/in.h>

#include <cmath>
#include <map>

#include "osc_port.h"
#include "panel_controls.h"
#include "remote_target.h"

namespace {

class FakeTarget : public RemoteTarget {
 public:
  void setPosition(int id, int position) override {
    positions[id] = position;
    ++calls;
  }
  int position(int id) const override { return positions.count(id) ? positions.at(id) : -1; }
  void setMethod(int value) override {
    method_ = value;
    ++calls;
  }
  int method() const override { return method_; }
  bool playing() const override { return playing_; }
  void OnRunStop() override {
    playing_ = !playing_;
    ++calls;
  }
  bool recording() const override { return recording_; }
  void OnRecord() override {
    recording_ = !recording_;
    ++calls;
  }

  std::map<int, int> positions;
  int method_ = 0;
  bool playing_ = false;
  bool recording_ = false;
  int calls = 0;
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
  for (const Row& row : rows) {
    FakeTarget target;
    OscControl control(target);
    std::vector<OscMessage> replies;
    EXPECT_EQ(control.apply(row.in, replies), row.verdict) << row.in.path;
    EXPECT_TRUE(replies.empty());
    if (row.verdict == OscVerdict::kApplied) {
      EXPECT_EQ(target.calls, 1) << row.in.path;
      EXPECT_EQ(target.position(row.id), row.position) << row.in.path;
    } else {
      EXPECT_EQ(target.calls, 0) << row.in.path;
      EXPECT_EQ(control.counts().refused(), 1) << row.in.path;
    }
  }
}

TEST(OscControl, RunStopAndRecordActOnlyWhenTheStateDiffers) {
  FakeTarget target;
  OscControl control(target);
  std::vector<OscMessage> replies;
  control.apply(message("/grainpanel/stop"), replies);
  EXPECT_EQ(target.calls, 0);
  control.apply(message("/grainpanel/run"), replies);
  control.apply(message("/grainpanel/run"), replies);
  EXPECT_TRUE(target.playing_);
  control.apply(message("/grainpanel/record", {oscInt(1)}), replies);
  control.apply(message("/grainpanel/record", {oscInt(1)}), replies);
  EXPECT_TRUE(target.recording_);
  control.apply(message("/grainpanel/record", {oscInt(0)}), replies);
  control.apply(message("/grainpanel/method", {oscInt(1)}), replies);
  control.apply(message("/grainpanel/stop"), replies);
  EXPECT_FALSE(target.recording_);
  EXPECT_FALSE(target.playing_);
  EXPECT_EQ(target.method_, 1);
  EXPECT_EQ(target.calls, 5);
  EXPECT_EQ(control.counts().applied, 8);
}

TEST(OscPort, AnswersGetToTheSenderAndCountsOversizedAndForeignPackets) {
  FakeTarget target;
  target.positions = {{IDC_LENGTH1, 1}, {IDC_LENGTH2, 2},   {IDC_PITCH1, 3},
                      {IDC_PITCH2, 4},  {IDC_PITCHWALK, 5}, {IDC_ZERO, 6},
                      {IDC_SPREAD, 7},  {IDC_SPEED, 8},     {IDC_FADE, 9}};
  target.method_ = 1;
  OscControl control(target);
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
  EXPECT_EQ(target.calls, 0);

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
