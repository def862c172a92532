// MidiControl against the real instrument: learning, controllers and 14-bit pairs, a flood set
// once, the channel heard, notes that transpose Pitch, and a note bound to Record.
#include "midi_control.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "control_values.h"
#include "fake_services.h"
#include "instrument.h"
#include "test_wav.h"

namespace {

TEST(MidiControl, PlaysTheInstrumentFromLearntControllersAndNotes) {
  testwav::TempDir dir;
  const std::string path = dir.path() + "/midi-bindings";
  std::ofstream(path) << "channel 2\nrecord note 36\n";
  FakeServices services;
  Instrument instrument(services, dir.path());
  MidiControl midi(instrument, path);
  auto send = [&midi](std::vector<uint8_t> bytes) {
    midi.input(MidiControl::kJackInput).receive(bytes.data(), bytes.size());
    return midi.drain();
  };

  midi.learn(IDC_SPEED);
  EXPECT_TRUE(send({0xB1, 7, 3}));  // learnt, not moved
  EXPECT_EQ(instrument.position(IDC_SPEED), 5000);
  send({0xB0, 7, 0});  // channel 1 is not heard
  EXPECT_EQ(instrument.position(IDC_SPEED), 5000);
  std::vector<uint8_t> flood = {0xB1};
  for (int i = 0; i <= 1000; ++i) {
    flood.insert(flood.end(), {7, static_cast<uint8_t>(i == 1000 ? 64 : i % 128)});
  }
  send(flood);
  EXPECT_EQ(instrument.position(IDC_SPEED), 4961);

  midi.learn(IDC_LENGTH1);
  send({0xB1, 1, 0});
  send({0xB1, 1, 64, 33, 0});  // 8192 of 16383
  EXPECT_EQ(instrument.position(IDC_LENGTH1), 2000);
  send({0xB1, 33, 127});  // 8319
  EXPECT_EQ(instrument.position(IDC_LENGTH1), 1969);

  send({0x91, 72, 100});
  EXPECT_EQ(instrument.position(IDC_PITCH1), 100000);
  EXPECT_EQ(instrument.position(IDC_PITCH2), 100000);
  send({0x91, 72, 0});
  EXPECT_EQ(instrument.position(IDC_PITCH1), 75000);
  EXPECT_EQ(instrument.position(IDC_PITCH2), 75000);
  EXPECT_FALSE(instrument.playing());
  EXPECT_FALSE(instrument.recordPressed());
  send({0x91, 36, 100});
  EXPECT_TRUE(instrument.recordPressed());

  MidiControl again(instrument, path);
  EXPECT_EQ(again.binding(IDC_LENGTH1).number, 1);
  EXPECT_EQ(again.binding(IDC_SPEED).kind, MidiBinding::kController);
  EXPECT_EQ(again.binding(kRecordControl).kind, MidiBinding::kNote);
}

}  // namespace
