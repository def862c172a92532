// WaveReader's accept/refuse answer and float conversion, and fadeEdges' counts and factors.
#include "wave_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fade_edges.h"
#include "test_wav.h"

namespace {

using testwav::consistentHeader;

bool accepts(const testwav::WavHeader& h, size_t dataBytes) {
  std::vector<uint8_t> bytes = testwav::headerBytes(h);
  bytes.resize(bytes.size() + dataBytes, 0);
  testwav::TempDir dir;
  WaveReader reader;
  return reader.open(dir.write("t.wav", bytes).c_str());
}

// The ramp written out independently: the decimal 3.1415, never pi, in double precision.
double factor(int i, int count) {
  return 1.0 - (std::cos(i * 3.1415 / count) + 1.0) * 0.5;
}

}  // namespace

TEST(WaveReader, AcceptsSixteenBitMonoWhateverItsFormatTagAndRate) {
  testwav::WavHeader h = consistentHeader(1, 16, 8, 8000);
  h.formatTag = 3;
  EXPECT_TRUE(accepts(h, 8));
  EXPECT_FALSE(accepts(consistentHeader(2, 16, 8), 8));
  EXPECT_FALSE(accepts(consistentHeader(1, 8, 8), 8));
  EXPECT_FALSE(accepts(consistentHeader(1, 24, 9), 9));
}

TEST(WaveReader, RefusedFilesCanStillBeClosedTwiceAndDestroyed) {
  testwav::TempDir dir;
  testwav::WavHeader avi = consistentHeader(1, 16, 0);
  avi.formType = "AVI ";
  for (const std::string& path :
       {dir.pathOf("missing.wav"), dir.write("empty.wav", {}),
        dir.write("avi.wav", testwav::headerBytes(avi)),
        dir.write("stereo.wav", testwav::headerBytes(consistentHeader(2, 16, 0)))}) {
    WaveReader reader;
    EXPECT_FALSE(reader.open(path.c_str())) << path;
    reader.close();
    reader.close();
  }
}

TEST(WaveReader, RefusesFewerThanTwoFramesOrMoreThanASigned32BitCount) {
  EXPECT_FALSE(accepts(consistentHeader(1, 16, 0), 0));
  EXPECT_FALSE(accepts(consistentHeader(1, 16, 2), 3));
  EXPECT_TRUE(accepts(consistentHeader(1, 16, 4), 4));

  testwav::TempDir dir;
  const std::string path = dir.write("big.wav", testwav::headerBytes(consistentHeader(1, 16, 0)));
  // Sparse and never read: 2^31 frames, then 2^31 - 1.
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 32)), 0);
  WaveReader reader;
  EXPECT_FALSE(reader.open(path.c_str()));
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 32) - 2), 0);
  EXPECT_TRUE(reader.open(path.c_str()));
}

TEST(WaveReader, SaysWhyItRefusesAFileInPlainWords) {
  testwav::TempDir dir;
  auto file = [&](const std::string& name, const testwav::WavHeader& h, size_t dataBytes) {
    std::vector<uint8_t> bytes = testwav::headerBytes(h);
    bytes.resize(bytes.size() + dataBytes, 0);
    return dir.write(name, bytes);
  };
  const std::vector<uint8_t> mono = testwav::monoWav16({1, 2, 3});
  testwav::WavHeader avi = consistentHeader(1, 16, 8);
  avi.formType = "AVI ";
  testwav::WavHeader junk = consistentHeader(1, 16, 8);
  junk.fmtTag = "JUNK";
  testwav::WavHeader fastRate = consistentHeader(1, 16, 8);
  fastRate.byteRate = 88201;
  testwav::WavHeader nibbles = consistentHeader(1, 4, 8);
  nibbles.byteRate = 44100 / 2;
  nibbles.blockAlign = 0;
  const std::string big = file("big.wav", consistentHeader(1, 16, 0), 0);
  ASSERT_EQ(truncate(big.c_str(), 44 + (1LL << 32)), 0);  // sparse: 2^31 frames

  const std::pair<std::string, std::string> cases[] = {
      {dir.pathOf("missing.wav"), "no such file"},
      {dir.write("plain.txt", mono) + "/inside.wav", "no such file"},
      {dir.path(), "not a regular file"},
      {dir.write("empty.wav", {}), "not a WAV file"},
      {file("avi.wav", avi, 8), "not a WAV file"},
      {dir.write("cut.wav", std::vector<uint8_t>(mono.begin(), mono.begin() + 40)),
       "cut off inside its header"},
      {file("junk.wav", junk, 8), "no format chunk where a plain WAV file has it"},
      {file("six.wav", consistentHeader(6, 16, 24), 24), "6 channels (convert it to 16-bit mono)"},
      {file("rate.wav", fastRate, 8),
       "damaged header (its byte rate or block size disagrees with its format)"},
      {file("stereo.wav", consistentHeader(2, 16, 8), 8), "stereo (convert it to 16-bit mono)"},
      {file("24.wav", consistentHeader(1, 24, 9), 9),
       "24 bits per sample (convert it to 16-bit mono)"},
      {file("8.wav", consistentHeader(2, 8, 8), 8),
       "stereo, 8 bits per sample (convert it to 16-bit mono)"},
      {file("4.wav", nibbles, 8), "4 bits per sample (convert it to 16-bit mono)"},
      {file("one.wav", consistentHeader(1, 16, 3), 3), "fewer than two samples"},
      {big, "too long (13.5 hours or more)"},
      {dir.write("good.wav", mono), ""},
  };
  // One reader for all, so a reason left over from the file before would show.
  WaveReader reader;
  for (const auto& [path, reason] : cases) {
    EXPECT_EQ(reader.open(path.c_str()), reason.empty()) << path;
    EXPECT_EQ(reader.refusal(), reason) << path;
  }
  if (geteuid() != 0) {  // root reads any file
    const std::string locked = dir.write("locked.wav", mono);
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    EXPECT_FALSE(reader.open(locked.c_str()));
    EXPECT_EQ(reader.refusal(), "permission denied");
  }
}

TEST(WaveReader, ConvertsEachSampleTimesTwoToTheMinus15AndDropsAnOddByte) {
  std::vector<uint8_t> bytes = testwav::monoWav16({0, 16384, -16384, 32767, -32768, 1, -1});
  bytes.push_back(0x7f);
  testwav::TempDir dir;
  WaveReader reader;
  ASSERT_TRUE(reader.open(dir.write("v.wav", bytes).c_str()));
  ASSERT_EQ(reader.frameCount(), 7u);
  std::vector<float> f(8, 42.0f);
  reader.readFloats(f.data());
  const std::vector<float> expected = {
      0.0f, 0.5f, -0.5f, 0.999969482421875f, -1.0f, 0.000030517578125f, -0.000030517578125f, 42.0f};
  EXPECT_EQ(f, expected);
}

TEST(WaveReader, FramesLostToAReadErrorAreSilence) {
  // Longer than the stream's buffer, so the cut below is seen by the sample read.
  const int n = 50000;
  std::vector<int16_t> samples(n);
  for (int i = 0; i < n; ++i) samples[i] = static_cast<int16_t>(i % 1000 + 1);
  testwav::TempDir dir;
  const std::string path = dir.write("cut.wav", testwav::monoWav16(samples));
  WaveReader reader;
  ASSERT_TRUE(reader.open(path.c_str()));
  // The count was taken at open; the file then loses all but 3000 frames and a half.
  ASSERT_EQ(truncate(path.c_str(), 44 + 2 * 3000 + 1), 0);
  std::vector<float> f(n, 42.0f);
  EXPECT_FALSE(reader.readFloats(f.data()));
  EXPECT_EQ(reader.refusal(), "cut off after 3000 of 50000 samples");
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(f[i], samples[i] / 32768.0f) << i;
  for (int i = 3000; i < n; ++i) ASSERT_EQ(f[i], 0.0f) << i;
}

TEST(FadeEdges, CountIsOnePercentByAFloatConstantButAtLeastTen) {
  for (auto [n, count] :
       {std::pair{1000, 10}, {1100, 10}, {2000, 19}, {2001, 20}, {44100, 440}, {100000, 999}}) {
    std::vector<float> s(n, 1.0f);
    fadeEdges(s.data(), n);
    EXPECT_NE(s[count - 1], 1.0f) << n;
    EXPECT_EQ(s[count], 1.0f) << n;
    EXPECT_EQ(s[n - 1 - count], 1.0f) << n;
    EXPECT_NE(s[n - count], 1.0f) << n;
  }
}

TEST(FadeEdges, FactorsStayDoubleAndOnlyProductsRoundToFloat) {
  const int n = 2000;
  const int count = 19;
  std::vector<float> s(n);
  for (int i = 0; i < n; ++i) s[i] = static_cast<float>((i * 7919 % 65536) - 32768) / 32768.0f;
  const std::vector<float> original = s;
  fadeEdges(s.data(), n);
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(s[i], static_cast<float>(original[i] * factor(i, count))) << i;
    EXPECT_EQ(s[n - 1 - i], static_cast<float>(original[n - 1 - i] * factor(i, count))) << i;
  }
  EXPECT_TRUE(std::equal(s.begin() + count, s.end() - count, original.begin() + count));
  EXPECT_TRUE(std::signbit(s[0]) && s[0] == 0.0f);
}

TEST(FadeEdges, ShortSoundsFadeFromBothEndsOverlappingAndStayInside) {
  // Below 20 frames the two fades overlap; below 10 each spans the whole sound.
  for (int n = 0; n < 20; ++n) {
    SCOPED_TRACE(n);
    const int count = std::min(n, 10);
    std::vector<float> s(n + 2, 0.75f);
    s.front() = s.back() = 9.0f;
    fadeEdges(s.data() + 1, n);
    EXPECT_EQ(s.front(), 9.0f);
    EXPECT_EQ(s.back(), 9.0f);
    for (int i = 0; i < n; ++i) {
      float expected = 0.75f;
      if (i < count)
        expected = static_cast<float>(expected * factor(i, count));
      if (n - 1 - i < count)
        expected = static_cast<float>(expected * factor(n - 1 - i, count));
      EXPECT_EQ(s[1 + i], expected) << i;
    }
  }
}
