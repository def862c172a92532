// WaveReader's accept/refuse answer and float conversion, and fadeEdges' counts and factors.
#include "wave/wave_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/test_wav.h"
#include "wave/fade_edges.h"

namespace {

bool accepts(const std::vector<uint8_t>& bytes) {
  testwav::TempDir dir;
  WaveReader reader;
  return reader.open(dir.write("t.wav", bytes).c_str());
}

std::vector<uint8_t> withZeros(const testwav::WavHeader& h, size_t dataBytes) {
  std::vector<uint8_t> bytes = testwav::headerBytes(h);
  bytes.resize(bytes.size() + dataBytes, 0);
  return bytes;
}

// The ramp written out independently: the decimal 3.1415, never pi, in double precision.
double factor(int i, int count) {
  return 1.0 - (std::cos(i * 3.1415 / count) + 1.0) * 0.5;
}

// How many leading frames a fade of n ones changes.
int fadeCountOf(int n) {
  std::vector<float> s(n, 1.0f);
  fadeEdges(s.data(), n);
  int count = 0;
  while (count < n && s[count] != 1.0f) ++count;
  return count;
}

}  // namespace

TEST(WaveReader, AcceptsOnlySixteenBitMono) {
  EXPECT_TRUE(accepts(withZeros(testwav::consistentHeader(1, 16, 8), 8)));
  EXPECT_FALSE(accepts(withZeros(testwav::consistentHeader(2, 16, 8), 8)));
  EXPECT_FALSE(accepts(withZeros(testwav::consistentHeader(1, 8, 8), 8)));
  EXPECT_FALSE(accepts(withZeros(testwav::consistentHeader(1, 24, 9), 9)));
}

TEST(WaveReader, IgnoresFormatTagAndSampleRate) {
  testwav::WavHeader h = testwav::consistentHeader(1, 16, 8, 8000);
  h.formatTag = 3;
  EXPECT_TRUE(accepts(withZeros(h, 8)));
}

TEST(WaveReader, RefusedFilesCanStillBeClosedAndDestroyed) {
  testwav::TempDir dir;
  testwav::WavHeader notWave = testwav::consistentHeader(1, 16, 8);
  notWave.formType = "AVI ";
  const std::string paths[] = {
      dir.pathOf("missing.wav"), dir.write("empty.wav", {}),
      dir.write("avi.wav", withZeros(notWave, 8)),
      dir.write("stereo.wav", withZeros(testwav::consistentHeader(2, 16, 8), 8))};
  for (const std::string& path : paths) {
    WaveReader reader;
    EXPECT_FALSE(reader.open(path.c_str())) << path;
    reader.close();
    reader.close();
  }
  WaveReader reader;
  EXPECT_FALSE(reader.open(nullptr));
}

TEST(WaveReader, RefusesFewerThanTwoFrames) {
  EXPECT_FALSE(accepts(withZeros(testwav::consistentHeader(1, 16, 0), 0)));
  EXPECT_FALSE(accepts(withZeros(testwav::consistentHeader(1, 16, 2), 3)));
  EXPECT_TRUE(accepts(withZeros(testwav::consistentHeader(1, 16, 4), 4)));
}

TEST(WaveReader, RefusesFrameCountBeyondSigned32Bits) {
  testwav::TempDir dir;
  const std::string path =
      dir.write("big.wav", testwav::headerBytes(testwav::consistentHeader(1, 16, 0)));
  // Sparse, never read: 2^31 frames is one more than a signed 32-bit count holds.
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 32)), 0);
  WaveReader reader;
  EXPECT_FALSE(reader.open(path.c_str()));
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 32) - 2), 0);
  EXPECT_TRUE(reader.open(path.c_str()));
  EXPECT_EQ(reader.frameCount(), (1u << 31) - 1);
}

TEST(WaveReader, ConvertsEachSampleTimesTwoToTheMinus15Exactly) {
  testwav::TempDir dir;
  const std::string path =
      dir.write("v.wav", testwav::monoWav16({0, 16384, -16384, 32767, -32768, 1, -1}));
  WaveReader reader;
  ASSERT_TRUE(reader.open(path.c_str()));
  ASSERT_EQ(reader.frameCount(), 7u);
  std::vector<float> f(8, 42.0f);
  reader.readFloats(f.data());
  const std::vector<float> expected = {
      0.0f, 0.5f, -0.5f, 0.999969482421875f, -1.0f, 0.000030517578125f, -0.000030517578125f, 42.0f};
  EXPECT_EQ(f, expected);
}

TEST(WaveReader, TrailingOddByteIsDroppedAndExactlyTheFramesAreFilled) {
  std::vector<uint8_t> bytes = testwav::monoWav16({100, 200, 300});
  bytes.push_back(0x7f);
  testwav::TempDir dir;
  WaveReader reader;
  ASSERT_TRUE(reader.open(dir.write("odd.wav", bytes).c_str()));
  ASSERT_EQ(reader.frameCount(), 3u);
  std::vector<float> f(4, 42.0f);
  reader.readFloats(f.data());
  EXPECT_EQ(f[2], 300.0f / 32768.0f);
  EXPECT_EQ(f[3], 42.0f);
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
  reader.readFloats(f.data());
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(f[i], samples[i] / 32768.0f) << i;
  for (int i = 3000; i < n; ++i) ASSERT_EQ(f[i], 0.0f) << i;
}

TEST(FadeEdges, CountIsOnePercentByAFloatConstantButAtLeastTen) {
  EXPECT_EQ(fadeCountOf(1000), 10);
  EXPECT_EQ(fadeCountOf(1100), 10);
  EXPECT_EQ(fadeCountOf(2000), 19);
  EXPECT_EQ(fadeCountOf(2001), 20);
  EXPECT_EQ(fadeCountOf(44100), 440);
  EXPECT_EQ(fadeCountOf(100000), 999);
}

TEST(FadeEdges, FactorsAreDoubleRampsOfDecimalPiAndOnlyProductsRound) {
  const int n = 2000;
  const int count = 19;
  std::vector<float> s(n);
  for (int i = 0; i < n; ++i) s[i] = static_cast<float>((i * 7919 % 65536) - 32768) / 32768.0f;
  std::vector<float> original = s;
  fadeEdges(s.data(), n);
  for (int i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s[i], static_cast<float>(original[i] * factor(i, count)));
    EXPECT_EQ(s[n - 1 - i], static_cast<float>(original[n - 1 - i] * factor(i, count)));
  }
  for (int i = count; i < n - count; ++i) ASSERT_EQ(s[i], original[i]) << i;
}

TEST(FadeEdges, EndsBecomeZeroKeepingTheSignAndTheMiddleIsUntouched) {
  const int n = 44100;
  std::vector<float> s(n, -0.25f);
  fadeEdges(s.data(), n);
  EXPECT_EQ(s[0], 0.0f);
  EXPECT_TRUE(std::signbit(s[0]));
  EXPECT_TRUE(std::signbit(s[n - 1]) && s[n - 1] == 0.0f);
  EXPECT_NE(s[439], -0.25f);
  EXPECT_NE(s[43660], -0.25f);
  for (int i = 440; i <= 43659; ++i) ASSERT_EQ(s[i], -0.25f) << i;
}

TEST(FadeEdges, ShortSoundsFadeFromBothEndsOverlapping) {
  for (int n : {10, 15}) {
    SCOPED_TRACE(n);
    std::vector<float> s(n, 0.75f);
    fadeEdges(s.data(), n);
    for (int i = 0; i < n; ++i) {
      float expected = 0.75f;
      if (i < 10)
        expected = static_cast<float>(expected * factor(i, 10));
      if (n - 1 - i < 10)
        expected = static_cast<float>(expected * factor(n - 1 - i, 10));
      EXPECT_EQ(s[i], expected) << i;
    }
  }
}

TEST(FadeEdges, SoundsUnderTenFramesFadeOverTheirLengthAndStayInside) {
  for (int n = 0; n < 10; ++n) {
    SCOPED_TRACE(n);
    const float guard = 9.0f;
    std::vector<float> s(n + 2, 0.5f);
    s.front() = guard;
    s.back() = guard;
    fadeEdges(s.data() + 1, n);
    EXPECT_EQ(s.front(), guard);
    EXPECT_EQ(s.back(), guard);
    if (n >= 1) {
      EXPECT_EQ(s[1], 0.0f);
      EXPECT_EQ(s[n], 0.0f);
    }
    for (int i = 0; i < n; ++i) {
      float expected = static_cast<float>(0.5f * factor(i, n));
      expected = static_cast<float>(expected * factor(n - 1 - i, n));
      EXPECT_EQ(s[1 + i], expected) << i;
    }
  }
}
