// Sounds of every format libsndfile writes, converted to one channel at 44 100 Hz, and the
// refusals on the way.
#include "sound_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "sound_files.h"
#include "test_wav.h"

namespace {

constexpr int32_t kHalf = 0x40000000;
constexpr int32_t kQuarter = 0x20000000;

struct FormatCase {
  const char* name;
  int format;
  int sampleRate;
  std::vector<int32_t> channels;
  // The sound in the middle, past the edge fades: the channels' mean.
  float middle;
  // 0 for formats that keep every bit; lossy ones come near.
  float tolerance;
  // Empty for a file read as it is.
  const char* note;
};

TEST(LoadOrConvert, EveryFormatBecomesTheMeanOfItsChannelsAt44100Hz) {
  const std::vector<int32_t> mono = {kHalf};
  const std::vector<int32_t> stereo = {kHalf, -kQuarter};
  // clang-format off
  const FormatCase cases[] = {
      {"plain.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, mono, 0.5f, 0, ""},
      {"s24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, stereo, 0.125f, 0, "44 100 Hz, stereo, 24-bit"},
      {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, stereo, 0.125f, 0, "44 100 Hz, stereo, 32-bit float"},
      {"ext.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 44100, stereo, 0.125f, 0, "44 100 Hz, stereo, 16-bit"},
      {"d.rf64", SF_FORMAT_RF64 | SF_FORMAT_DOUBLE, 44100, mono, 0.5f, 0, "44 100 Hz, mono, 64-bit float"},
      // (0.5 + 0.5 - 0.25) / 3 = 0.25 exactly: the sum is divided by the channels, not by two.
      {"three.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_32, 44100, {kHalf, kHalf, -kQuarter}, 0.25f, 0, "44 100 Hz, 3 channels, 32-bit"},
      {"a.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, stereo, 0.125f, 0, "44 100 Hz, stereo, 16-bit"},
      {"c.aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 44100, stereo, 0.125f, 0, "44 100 Hz, stereo, 32-bit float"},
      {"f.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, stereo, 0.125f, 0, "44 100 Hz, stereo, 24-bit"},
      {"c.caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16, 44100, mono, 0.5f, 0, "44 100 Hz, mono, 16-bit"},
      {"v.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, stereo, 0.125f, 0.01f, "44 100 Hz, stereo, Vorbis"},
      // 4800 frames at 48 kHz are 4410 at 44.1 kHz. Opus's encoder filters out a constant, so
      // only the length and the note say anything here.
      {"o.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, stereo, 0.125f, 1.0f, "48 000 Hz, stereo, Opus"},
      {"r.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 48000, stereo, 0.125f, 1e-5f, "48 000 Hz, stereo, 24-bit"},
  };
  // clang-format on
  testwav::TempDir dir;
  for (const FormatCase& c : cases) {
    const std::string path = dir.pathOf(c.name);
    const int sourceFrames = c.sampleRate / 10;
    const int channels = static_cast<int>(c.channels.size());
    ASSERT_TRUE(testwav::writeSound(path, c.format, channels, c.sampleRate,
                                    testwav::constantFrames(sourceFrames, c.channels)))
        << c.name;
    Sound sound;
    std::string note = "unchanged";
    const LoadOutcome outcome = loadOrConvert(path.c_str(), sound, &note);
    ASSERT_EQ(outcome.result, LoadResult::kLoaded) << c.name << ": " << outcome.reason;
    EXPECT_EQ(note, c.note) << c.name;
    EXPECT_EQ(sound.frameCount, 4410) << c.name;
    EXPECT_NEAR(sound.samples[2205], c.middle, c.tolerance) << c.name;
    // The edge fades apply as to any sound.
    EXPECT_EQ(sound.samples[0], 0.0f) << c.name;
  }
}

// The same file gives the same floats in every run: soxr is made with one thread, so no
// partial sums are combined in an order that depends on which thread finishes first, and the
// file is read in the same fixed chunks each time.
TEST(LoadOrConvert, ResamplingGivesTheSameFloatsEveryTime) {
  testwav::TempDir dir;
  const std::string path = dir.pathOf("ramp.wav");
  std::vector<int32_t> ramp;
  for (int i = 0; i < 48000; ++i) ramp.push_back(i * 40000 - kHalf);
  ASSERT_TRUE(testwav::writeSound(path, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000, ramp));
  Sound first;
  Sound second;
  ASSERT_EQ(loadOrConvert(path.c_str(), first).result, LoadResult::kLoaded);
  ASSERT_EQ(loadOrConvert(path.c_str(), second).result, LoadResult::kLoaded);
  ASSERT_EQ(first.frameCount, 44100);
  EXPECT_EQ(std::vector<float>(first.samples.get(), first.samples.get() + 44100),
            std::vector<float>(second.samples.get(), second.samples.get() + 44100));
}

TEST(LoadOrConvert, RefusesWhatCannotBeReadOrHeldWithItsReason) {
  testwav::TempDir dir;
  const std::string text = dir.write("notes.flac", {'h', 'e', 'l', 'l', 'o'});
  const std::string one = dir.pathOf("one.wav");
  ASSERT_TRUE(testwav::writeSound(one, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100, {0, 0}));
  // At 1 Hz each frame is 44 100 once converted: 48 695 of them make 2 147 449 500 frames, just
  // within 2^31 - 1 = 2 147 483 647; 48 696 make 2 147 493 600, beyond it.
  const std::string fits = dir.pathOf("fits.wav");
  const std::string over = dir.pathOf("over.wav");
  ASSERT_TRUE(testwav::writeSound(fits, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 1,
                                  std::vector<int32_t>(48695)));
  ASSERT_TRUE(testwav::writeSound(over, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 1,
                                  std::vector<int32_t>(48696)));

  Sound sound;
  // libsndfile cannot read it: the strict loader's answer stands.
  EXPECT_EQ(loadOrConvert(text.c_str(), sound).reason, "not a WAV file");
  EXPECT_EQ(loadOrConvert(one.c_str(), sound).reason, "fewer than two samples");
  // Refused from the header alone, before 8 GiB of floats are asked for.
  EXPECT_EQ(loadOrConvert(over.c_str(), sound).reason, "too long (13.5 hours or more)");
  EXPECT_EQ(sound.samples, nullptr);
  SoundConverter converter;
  ASSERT_TRUE(converter.open(fits.c_str()));
  EXPECT_EQ(converter.frameCount(), 2147449500);
  EXPECT_EQ(converter.description(), "1 Hz, mono, 24-bit");
}

}  // namespace
