// grainrender: its options, its render and the command end to end.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "granulator.h"
#include "offline_render.h"
#include "pcm16.h"
#include "random_source.h"
#include "render_options.h"
#include "sound_files.h"
#include "test_wav.h"

namespace {

using Args = std::vector<const char*>;
using Bytes = std::vector<uint8_t>;

ParseOutcome parse(Args args, RenderOptions& options) {
  std::string problem;
  return parseRenderOptions(static_cast<int>(args.size()), args.data(), options, problem);
}

// A sawtooth that no two grains read alike.
std::vector<int16_t> sawtooth(int frames) {
  std::vector<int16_t> samples(frames);
  for (int i = 0; i < frames; ++i) samples[i] = static_cast<int16_t>(i * 37 % 24000 - 12000);
  return samples;
}

TEST(RenderOptions, PositionsAreClampedAndLengthsKeptWithinAWavFile) {
  RenderOptions options;
  ASSERT_EQ(parse({"--fade", "0", "in.wav", "--pitch1", "-7", "--pitch2", "99999999999999999999",
                   "out.wav", "--method", "1", "--seed", "4294967295"},
                  options),
            ParseOutcome::kRender);
  EXPECT_EQ(options.inputPath, "in.wav");
  EXPECT_EQ(options.outputPath, "out.wav");
  EXPECT_EQ(options.sampleCount, 441000u);
  EXPECT_EQ(options.positions.m_fade, 1);
  EXPECT_EQ(options.positions.m_pitch1, 0);
  EXPECT_EQ(options.positions.m_pitch2, 100000);
  EXPECT_EQ(options.positions.m_method, 1);
  EXPECT_EQ(options.seed, 4294967295u);

  ASSERT_EQ(parse({"a", "b", "--seconds", "1.5"}, options), ParseOutcome::kRender);
  EXPECT_EQ(options.sampleCount, 66150u);
  EXPECT_EQ(parse({"a", "b", "--samples", "2147483629"}, options), ParseOutcome::kRender);
  EXPECT_EQ(parse({"a", "b", "--samples", "2147483630"}, options), ParseOutcome::kBadUsage);
  EXPECT_EQ(parse({"a", "b", "--float", "--samples", "1073741814"}, options),
            ParseOutcome::kRender);
  EXPECT_EQ(parse({"a", "b", "--float", "--samples", "1073741815"}, options),
            ParseOutcome::kBadUsage);
}

TEST(RenderOptions, MalformedCommandLinesAreBadUsage) {
  const std::vector<Args> cases = {
      {"in.wav"},
      {"in.wav", "out.wav", "extra.wav"},
      {"in.wav", "out.wav", "--bogus", "1"},
      {"in.wav", "out.wav", "--zero"},
      {"in.wav", "out.wav", "--zero", "12x"},
      {"in.wav", "out.wav", "--method", "2"},
      {"in.wav", "out.wav", "--seed", "4294967296"},
      {"in.wav", "out.wav", "--seed", "-1"},
      {"in.wav", "out.wav", "--samples", "10", "--seconds", "1"},
      {"in.wav", "out.wav", "--seconds", "nan"},
      // A take replays as it was recorded: nothing but --float goes with it.
      {"--replay", "t.grainpanel", "out.wav", "--seed", "1"},
      {"--replay", "t.grainpanel", "out.wav", "extra.wav"},
      {"--replay", "t.grainpanel"},
  };
  for (const Args& args : cases) {
    RenderOptions options;
    EXPECT_EQ(parse(args, options), ParseOutcome::kBadUsage) << args.back();
  }
}

TEST(RenderOptions, VersionWinsOverPathsAndOptionsAroundIt) {
  const std::vector<Args> cases = {
      {"--version"},
      {"in.wav", "out.wav", "--seed", "1", "--version"},
      {"--version", "--bogus"},
  };
  for (const Args& args : cases) {
    RenderOptions options;
    EXPECT_EQ(parse(args, options), ParseOutcome::kVersion) << args.size();
  }
  RenderOptions options;
  EXPECT_EQ(parse({"in.wav", "out.wav", "--versions"}, options), ParseOutcome::kBadUsage);
}

// Prepare draws from the start state and only then is the seed given, as on a panel's first Run.
TEST(OfflineRender, MatchesTheFirstRunOfAFreshPanel) {
  const std::vector<int16_t> pcm = sawtooth(5000);
  const int frames = static_cast<int>(pcm.size());
  SampleBuffer buffer = allocateFrames(frames);
  for (int i = 0; i < frames; ++i) buffer[i] = pcm[i] / 32768.0f;
  constexpr uint32_t kSeed = 12345;
  constexpr int kCount = 20000;

  seedRandom(1);
  Granulator reference;
  reference.prepare(buffer.get(), frames, 40);
  seedRandom(kSeed);
  reference.setLengthRange(100, 400);
  reference.setZeroChance(zeroChance(700));
  reference.setPitchRange(1.0f, 1.0f, walkScale(8000));
  reference.setLocation(spreadFraction(500), 1.0f);
  reference.setPitchMode(PitchMode::kEachHeadWalks);
  std::vector<float> expected(kCount);
  for (float& s : expected) s = reference.nextSample();

  ControlValues positions;
  positions.m_length2 = 3600;
  positions.m_length1 = 3900;
  positions.m_zero = 700;
  positions.m_pitch1 = 75000;
  positions.m_pitch2 = 75000;
  positions.m_pitchWalk = 8000;
  positions.m_method = 1;
  positions.m_speed = 5000;
  positions.m_spread = 500;
  positions.m_fade = 40;
  positions.m_linkLength = 0;
  positions.m_linkPitch = 0;
  seedRandom(99);
  OfflineRender render;
  render.useSamples(std::move(buffer), frames);
  render.start(positions, kSeed);
  std::vector<float> actual(kCount);
  render.render(actual.data(), kCount);
  EXPECT_EQ(actual, expected);
}

struct CommandResult {
  int status;
  std::string errors;
};

class GrainRender : public ::testing::Test {
 protected:
  void SetUp() override { dir.write("in.wav", testwav::monoWav16(sawtooth(44100))); }

  // Runs the built command on files in `dir`; its standard error goes to `scratch`.
  CommandResult run(const std::string& args) {
    const std::string errPath = scratch.pathOf("stderr.txt");
    const std::string command = std::string("cd '") + dir.path() + "' && '" + GRAINRENDER_PATH +
                                "' " + args + " >/dev/null 2>'" + errPath + "'";
    const int raw = std::system(command.c_str());
    const Bytes err = testwav::readBytes(errPath);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(err.begin(), err.end())};
  }
  Bytes output(const std::string& name) { return testwav::readBytes(dir.pathOf(name)); }

  testwav::TempDir dir;
  testwav::TempDir scratch;
};

TEST_F(GrainRender, ReproducesARenderByteForByteFromItsSeed) {
  const std::string options = " --samples 100000 --spread 800 --walk 5000";
  ASSERT_EQ(run("in.wav a.wav --seed 7" + options).status, 0);
  ASSERT_EQ(run("in.wav b.wav --seed 7" + options).status, 0);
  ASSERT_EQ(run("in.wav c.wav --seed 8" + options).status, 0);
  EXPECT_EQ(output("a.wav").size(), 44u + 2 * 100000);
  EXPECT_EQ(output("a.wav"), output("b.wav"));
  EXPECT_NE(output("a.wav"), output("c.wav"));

  const CommandResult unseeded = run("in.wav d.wav" + options);
  ASSERT_EQ(unseeded.status, 0);
  ASSERT_EQ(unseeded.errors.rfind("seed ", 0), 0u) << unseeded.errors;
  const std::string seed = unseeded.errors.substr(5, unseeded.errors.find('\n') - 5);
  ASSERT_EQ(run("in.wav e.wav --seed " + seed + options).status, 0);
  EXPECT_EQ(output("d.wav"), output("e.wav"));
}

TEST_F(GrainRender, RendersASettingsFileWithItsCommandLineOverridingIt) {
  const std::string text = "sound = in.wav\nspread = 800\nwalk = 5000\nseed = 7\nfade = 9\n";
  dir.write("s.grainpanel", Bytes(text.begin(), text.end()));
  const std::string same = " --samples 50000 --spread 800 --walk 5000";
  ASSERT_EQ(run("in.wav a.wav --seed 7 --fade 9" + same).status, 0);
  ASSERT_EQ(run("--settings s.grainpanel b.wav --samples 50000").status, 0);
  ASSERT_EQ(run("in.wav c.wav --seed 8 --fade 2" + same).status, 0);
  ASSERT_EQ(run("--fade 2 --settings s.grainpanel d.wav --seed 8 --samples 50000").status, 0);
  EXPECT_EQ(output("a.wav"), output("b.wav"));
  EXPECT_EQ(output("c.wav"), output("d.wav"));

  dir.write("bad.grainpanel", Bytes{'z', 'e', 'r', 'o', '=', '\n'});
  const CommandResult refused = run("--settings bad.grainpanel in.wav e.wav");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.errors, "grainrender: bad.grainpanel:1: zero: no value\n");
  EXPECT_TRUE(output("e.wav").empty());
}

TEST_F(GrainRender, WritesCanonicalFilesWhose16BitSamplesAreTheFloatsThroughToPcm16) {
  ASSERT_EQ(run("in.wav pcm.wav --seed 3 --seconds 1 --zero 500 --pitch1 90000").status, 0);
  ASSERT_EQ(run("in.wav f.wav --seed 3 --seconds 1 --zero 500 --pitch1 90000 --float").status, 0);
  const Bytes pcm = output("pcm.wav");
  const Bytes floats = output("f.wav");
  testwav::WavHeader floatHeader = testwav::consistentHeader(1, 32, 4 * 44100);
  floatHeader.formatTag = 3;
  ASSERT_EQ(Bytes(pcm.begin(), pcm.begin() + 44),
            testwav::headerBytes(testwav::consistentHeader(1, 16, 2 * 44100)));
  ASSERT_EQ(Bytes(floats.begin(), floats.begin() + 44), testwav::headerBytes(floatHeader));
  ASSERT_EQ(pcm.size(), 44u + 2 * 44100);
  ASSERT_EQ(floats.size(), 44u + 4 * 44100);
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

TEST_F(GrainRender, PrintsItsNameAndVersionOnStandardOutput) {
  const std::string outPath = scratch.pathOf("stdout.txt");
  const std::string command =
      std::string("'") + GRAINRENDER_PATH + "' --version >'" + outPath + "' 2>&1";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 0);
  const Bytes out = testwav::readBytes(outPath);
  EXPECT_EQ(std::string(out.begin(), out.end()), "grainrender 1.0.0\n");
}

TEST_F(GrainRender, RefusedInputOrUnwritableOutputExitsOneAndLeavesNoFile) {
  dir.write("stereo.wav", testwav::headerBytes(testwav::consistentHeader(2, 16, 0)));
  const CommandResult refused = run("stereo.wav out.wav --seed 1");
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.errors, "Wrong file format: stereo.wav: stereo (convert it to 16-bit mono)\n");

  const CommandResult unwritable = run("in.wav missing/out.wav --seed 1");
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.errors.find("missing/out.wav"), std::string::npos) << unwritable.errors;

  const CommandResult usage = run("in.wav out.wav --method 3");
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.errors.find("usage: grainrender INPUT.wav OUTPUT.wav"), std::string::npos);
  EXPECT_EQ(run("--help").status, 0);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.wav", "stereo.wav"}));
}

// With --convert a sound the strict loader refuses plays as the panel plays it once converted;
// a 16-bit mono WAV file renders the same either way.
TEST_F(GrainRender, ConvertTakesOtherSoundsAndLeavesPlainOnesAsTheyAre) {
  std::vector<int32_t> frames;
  for (int i = 0; i < 48000; ++i) {
    frames.push_back((i * 37 % 4001 - 2000) * (1 << 18));
    frames.push_back((i * 91 % 3001 - 1500) * (1 << 18));
  }
  ASSERT_TRUE(testwav::writeSound(dir.pathOf("in.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2,
                                  48000, frames));
  const std::string options = " --seed 4 --samples 20000 --spread 700";
  const CommandResult strict = run("in.flac a.wav" + options);
  EXPECT_EQ(strict.status, 1);
  EXPECT_EQ(strict.errors, "Wrong file format: in.flac: not a WAV file\n");
  ASSERT_EQ(run("in.flac b.wav --convert" + options).status, 0);
  ASSERT_EQ(run("in.wav c.wav --convert" + options).status, 0);
  ASSERT_EQ(run("in.wav d.wav" + options).status, 0);
  EXPECT_EQ(output("c.wav"), output("d.wav"));

  RenderOptions parsed;
  ASSERT_EQ(parse({"x", "y", "--spread", "700"}, parsed), ParseOutcome::kRender);
  OfflineRender render;
  ASSERT_EQ(render.load(dir.pathOf("in.flac").c_str(), true).result, LoadResult::kLoaded);
  EXPECT_EQ(render.frameCount(), 44100);
  render.start(parsed.positions, 4);
  std::vector<float> expected(20000);
  render.render(expected.data(), 20000);
  const Bytes converted = output("b.wav");
  ASSERT_EQ(converted.size(), 44u + 2 * 20000);
  for (int i = 0; i < 20000; ++i) {
    int16_t s;
    std::memcpy(&s, &converted[44 + 2 * i], 2);
    ASSERT_EQ(s, toPcm16(expected[i])) << "sample " << i;
  }
}

}  // namespace
