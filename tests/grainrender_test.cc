// grainrender: its options, its WAV writer, its render and the command end to end.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audio/pcm16.h"
#include "engine/granulator.h"
#include "engine/random_source.h"
#include "tests/test_wav.h"
#include "tools/offline_render.h"
#include "tools/render_options.h"
#include "tools/wave_writer.h"

namespace {

ParseOutcome parse(std::vector<const char*> args, RenderOptions& options) {
  std::string problem;
  return parseRenderOptions(static_cast<int>(args.size()), args.data(), options, problem);
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> filesIn(const testwav::TempDir& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.path().c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") {
        names.push_back(name);
      }
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A second of a 440 Hz tone at about a third of full scale.
std::vector<int16_t> tone(int frames) {
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) {
    samples[i] = static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265358979 * 440 / 44100));
  }
  return samples;
}

TEST(RenderOptions, DefaultsAreTenSecondsOfSixteenBitAtTheStartupPositions) {
  RenderOptions options;
  ASSERT_EQ(parse({"in.wav", "out.wav"}, options), ParseOutcome::kRender);
  EXPECT_EQ(options.inputPath, "in.wav");
  EXPECT_EQ(options.outputPath, "out.wav");
  EXPECT_EQ(options.sampleCount, 441000u);
  EXPECT_FALSE(options.seedGiven);
  EXPECT_FALSE(options.floatOutput);
  EXPECT_EQ(options.positions.m_length1, 3000);
  EXPECT_EQ(options.positions.m_pitch2, 75000);
  EXPECT_EQ(options.positions.m_fade, 1000);
  EXPECT_EQ(options.positions.m_method, 0);
}

TEST(RenderOptions, PositionsOutsideARangeAreTakenAtTheNearestEnd) {
  RenderOptions options;
  ASSERT_EQ(parse({"--fade", "0", "in.wav", "--pitch1", "-7", "--pitch2", "99999999999999999999",
                   "--walk", "123", "out.wav", "--method", "1", "--seed", "4294967295"},
                  options),
            ParseOutcome::kRender);
  EXPECT_EQ(options.positions.m_fade, 1);
  EXPECT_EQ(options.positions.m_pitch1, 0);
  EXPECT_EQ(options.positions.m_pitch2, 100000);
  EXPECT_EQ(options.positions.m_pitchWalk, 123);
  EXPECT_EQ(options.positions.m_method, 1);
  EXPECT_TRUE(options.seedGiven);
  EXPECT_EQ(options.seed, 4294967295u);
}

TEST(RenderOptions, LengthIsCountedInSamplesUpToWhatAWavFileHolds) {
  RenderOptions options;
  ASSERT_EQ(parse({"a", "b", "--seconds", "1.5"}, options), ParseOutcome::kRender);
  EXPECT_EQ(options.sampleCount, 66150u);
  ASSERT_EQ(parse({"a", "b", "--samples", "0"}, options), ParseOutcome::kRender);
  EXPECT_EQ(options.sampleCount, 0u);
  ASSERT_EQ(parse({"a", "b", "--samples", "2147483629"}, options), ParseOutcome::kRender);
  EXPECT_EQ(parse({"a", "b", "--samples", "2147483630"}, options), ParseOutcome::kBadUsage);
  RenderOptions floats;
  EXPECT_EQ(parse({"a", "b", "--float", "--samples", "1073741814"}, floats), ParseOutcome::kRender);
  EXPECT_EQ(parse({"a", "b", "--float", "--samples", "1073741815"}, floats),
            ParseOutcome::kBadUsage);
}

TEST(RenderOptions, MalformedCommandLinesAreBadUsage) {
  const std::vector<std::vector<const char*>> cases = {
      {"in.wav"},
      {"in.wav", "out.wav", "extra.wav"},
      {"in.wav", "out.wav", "--bogus", "1"},
      {"in.wav", "out.wav", "--zero"},
      {"in.wav", "out.wav", "--zero", "12x"},
      {"in.wav", "out.wav", "--zero", ""},
      {"in.wav", "out.wav", "--method", "2"},
      {"in.wav", "out.wav", "--seed", "4294967296"},
      {"in.wav", "out.wav", "--seed", "-1"},
      {"in.wav", "out.wav", "--samples", "10", "--seconds", "1"},
      {"in.wav", "out.wav", "--seconds", "nan"},
      {"in.wav", "out.wav", "--seconds", "-1"},
  };
  for (const auto& args : cases) {
    RenderOptions options;
    EXPECT_EQ(parse(args, options), ParseOutcome::kBadUsage) << args.back();
  }
  RenderOptions options;
  EXPECT_EQ(parse({"in.wav", "--help", "--bogus"}, options), ParseOutcome::kHelp);
}

TEST(WaveWriter, HeadersAreCanonicalForBothFormats) {
  uint8_t header[kWaveHeaderBytes];
  waveHeader(SampleFormat::kPcm16, 1000, header);
  EXPECT_EQ(std::vector<uint8_t>(header, header + kWaveHeaderBytes),
            testwav::headerBytes(testwav::consistentHeader(1, 16, 2000)));
  waveHeader(SampleFormat::kFloat32, 1000, header);
  testwav::WavHeader expected = testwav::consistentHeader(1, 32, 4000);
  expected.formatTag = 3;
  EXPECT_EQ(std::vector<uint8_t>(header, header + kWaveHeaderBytes),
            testwav::headerBytes(expected));
}

TEST(WaveWriter, OnlyACommittedFileReplacesTheOutput) {
  testwav::TempDir dir;
  const std::string out = dir.write("out.wav", {1, 2, 3});
  const float samples[] = {0.5f, -2.0f, NAN};
  {
    WaveWriter writer;
    ASSERT_TRUE(writer.open(out, SampleFormat::kPcm16, 3));
    ASSERT_TRUE(writer.write(samples, 3));
  }
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"out.wav"});
  EXPECT_EQ(readFile(out), (std::vector<uint8_t>{1, 2, 3}));

  WaveWriter writer;
  ASSERT_TRUE(writer.open(out, SampleFormat::kPcm16, 3));
  ASSERT_TRUE(writer.write(samples, 3));
  ASSERT_TRUE(writer.commit());
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"out.wav"});
  const std::vector<uint8_t> bytes = readFile(out);
  ASSERT_EQ(bytes.size(), 50u);
  // 0.5 truncates to 16383; -2 clamps and a NaN falls to -32767.
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 44, bytes.end()),
            (std::vector<uint8_t>{0xFF, 0x3F, 0x01, 0x80, 0x01, 0x80}));
}

TEST(WaveWriter, AnUnwritablePathIsNamedInTheError) {
  WaveWriter writer;
  EXPECT_FALSE(writer.open("/nonexistent-folder/out.wav", SampleFormat::kPcm16, 1));
  EXPECT_NE(writer.error().find("/nonexistent-folder/out.wav"), std::string::npos);
}

// Prepare draws from the start state and only then is the seed given, as on a panel's first Run.
TEST(OfflineRender, MatchesTheFirstRunOfAFreshPanel) {
  const std::vector<int16_t> pcm = tone(5000);
  std::vector<float> samples(pcm.begin(), pcm.end());
  for (float& s : samples) {
    s *= 1.0f / 32768.0f;
  }
  ControlValues positions;
  setStartupPositions(positions);
  positions.m_length1 = 3900;
  positions.m_length2 = 3600;
  positions.m_zero = 700;
  positions.m_pitchWalk = 8000;
  positions.m_method = 1;
  positions.m_spread = 500;
  positions.m_fade = 40;
  constexpr uint32_t kSeed = 12345;
  constexpr int kCount = 20000;

  seedRandom(1);
  Granulator reference;
  reference.prepare(samples.data(), static_cast<int>(samples.size()), 40);
  seedRandom(kSeed);
  reference.setLengthRange(100, 400);
  reference.setZeroChance(zeroChance(700));
  reference.setPitchRange(pitchRate(75000), pitchRate(75000), walkScale(8000));
  reference.setLocation(spreadFraction(500), 1.0f);
  reference.setPitchMode(1);
  std::vector<float> expected(kCount);
  for (float& s : expected) {
    s = reference.nextSample();
  }

  seedRandom(99);
  OfflineRender render;
  std::unique_ptr<float[]> buffer(new float[samples.size()]);
  std::copy(samples.begin(), samples.end(), buffer.get());
  render.useSamples(std::move(buffer), static_cast<int>(samples.size()));
  render.start(positions, kSeed);
  std::vector<float> actual(kCount);
  render.render(actual.data(), kCount);
  EXPECT_EQ(actual, expected);
}

struct CommandResult {
  int status;
  std::string errors;
};

// Runs the built command; its standard error goes to a file in `scratch`.
CommandResult runCommand(const testwav::TempDir& scratch, const std::string& args) {
  const std::string errPath = scratch.pathOf("stderr.txt");
  const std::string command =
      std::string("'") + GRAINRENDER_PATH + "' " + args + " >/dev/null 2>'" + errPath + "'";
  const int raw = std::system(command.c_str());
  const std::vector<uint8_t> err = readFile(errPath);
  std::remove(errPath.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(err.begin(), err.end())};
}

class GrainRender : public ::testing::Test {
 protected:
  void SetUp() override { input = dir.write("in.wav", testwav::monoWav16(tone(44100))); }
  std::string quoted(const std::string& name) const { return "'" + dir.pathOf(name) + "'"; }
  CommandResult render(const std::string& output, const std::string& options) {
    return runCommand(scratch, quoted("in.wav") + " " + quoted(output) + " " + options);
  }

  testwav::TempDir dir;
  testwav::TempDir scratch;
  std::string input;
};

TEST_F(GrainRender, ReproducesARenderByteForByteFromItsSeed) {
  ASSERT_EQ(render("a.wav", "--seed 7 --samples 100000 --spread 800 --walk 5000").status, 0);
  ASSERT_EQ(render("b.wav", "--seed 7 --samples 100000 --spread 800 --walk 5000").status, 0);
  ASSERT_EQ(render("c.wav", "--seed 8 --samples 100000 --spread 800 --walk 5000").status, 0);
  const std::vector<uint8_t> a = readFile(dir.pathOf("a.wav"));
  EXPECT_EQ(a.size(), 44u + 2 * 100000);
  EXPECT_EQ(a, readFile(dir.pathOf("b.wav")));
  EXPECT_NE(a, readFile(dir.pathOf("c.wav")));
}

TEST_F(GrainRender, PrintsTheSeedItChoseSoTheRenderCanBeRepeated) {
  const CommandResult first = render("a.wav", "--samples 50000 --spread 800");
  ASSERT_EQ(first.status, 0);
  ASSERT_EQ(first.errors.rfind("seed ", 0), 0u) << first.errors;
  const std::string seed = first.errors.substr(5, first.errors.find('\n') - 5);
  ASSERT_EQ(render("b.wav", "--samples 50000 --spread 800 --seed " + seed).status, 0);
  EXPECT_EQ(readFile(dir.pathOf("a.wav")), readFile(dir.pathOf("b.wav")));
}

TEST_F(GrainRender, SixteenBitSamplesAreTheFloatSamplesThroughToPcm16) {
  ASSERT_EQ(render("pcm.wav", "--seed 3 --seconds 1 --zero 500 --pitch1 90000").status, 0);
  ASSERT_EQ(render("float.wav", "--seed 3 --seconds 1 --zero 500 --pitch1 90000 --float").status,
            0);
  const std::vector<uint8_t> pcm = readFile(dir.pathOf("pcm.wav"));
  const std::vector<uint8_t> floats = readFile(dir.pathOf("float.wav"));
  ASSERT_EQ(pcm.size(), 44u + 2 * 44100);
  ASSERT_EQ(floats.size(), 44u + 4 * 44100);
  EXPECT_EQ(floats[20], 3);
  int nonZero = 0;
  for (int i = 0; i < 44100; ++i) {
    float x;
    int16_t s;
    std::memcpy(&x, &floats[44 + 4 * i], 4);
    std::memcpy(&s, &pcm[44 + 2 * i], 2);
    ASSERT_EQ(s, toPcm16(x)) << "sample " << i;
    nonZero += s != 0;
  }
  EXPECT_GT(nonZero, 10000);
}

TEST_F(GrainRender, RefusedInputOrUnwritableOutputExitsOneAndLeavesNoFile) {
  dir.write("stereo.wav", testwav::headerBytes(testwav::consistentHeader(2, 16, 0)));
  const CommandResult refused =
      runCommand(scratch, quoted("stereo.wav") + " " + quoted("out.wav") + " --seed 1");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.errors, "Wrong file format\n");

  const std::string missing = dir.pathOf("no-such-folder/out.wav");
  const CommandResult unwritable =
      runCommand(scratch, quoted("in.wav") + " '" + missing + "' --seed 1");
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.errors.find(missing), std::string::npos) << unwritable.errors;
  EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"in.wav", "stereo.wav"}));
}

TEST_F(GrainRender, BadUsageExitsTwoWithTheUsageText) {
  const CommandResult run = render("out.wav", "--method 3");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.errors.find("usage: grainrender INPUT.wav OUTPUT.wav"), std::string::npos);
  EXPECT_EQ(runCommand(scratch, "--help").status, 0);
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"in.wav"});
}

}  // namespace
