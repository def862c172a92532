// WaveWriter: a WAV file that appears under its name complete or not at all.
#include "wave_writer.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_wav.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> filesIn(const testwav::TempDir& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.path().c_str());
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] != '.')
      names.push_back(e->d_name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(WaveWriter, OnlyACommittedFileReplacesTheOutput) {
  testwav::TempDir dir;
  const std::string out = dir.write("out.wav", {1, 2, 3});
  const float samples[] = {0.5f, -2.0f, NAN};
  {
    WaveWriter abandoned;
    ASSERT_TRUE(abandoned.open(out, SampleFormat::kPcm16, 3));
    ASSERT_TRUE(abandoned.write(samples, 3));
  }
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"out.wav"});
  EXPECT_EQ(readFile(out), (Bytes{1, 2, 3}));

  WaveWriter writer;
  ASSERT_TRUE(writer.open(out, SampleFormat::kPcm16, 3));
  ASSERT_TRUE(writer.write(samples, 3));
  ASSERT_TRUE(writer.commit());
  EXPECT_EQ(filesIn(dir), std::vector<std::string>{"out.wav"});
  const Bytes bytes = readFile(out);
  // 0.5 truncates to 16383; -2 clamps and a NaN falls to -32767.
  EXPECT_EQ(Bytes(bytes.begin() + 44, bytes.end()), (Bytes{0xFF, 0x3F, 0x01, 0x80, 0x01, 0x80}));
}

// A file whose length is known only at its end: sizes written last, samples as they came.
TEST(WaveWriter, SixteenBitSamplesGoInAsTheyAreAndTheHeaderIsRewrittenForTheirCount) {
  testwav::TempDir dir;
  const std::string out = dir.pathOf("take.wav");
  WaveWriter writer;
  ASSERT_TRUE(writer.open(out, SampleFormat::kPcm16, 0));
  const int16_t first[] = {1, -2};
  const int16_t second[] = {32767, -32768, 256};
  ASSERT_TRUE(writer.writePcm16(first, 2));
  ASSERT_TRUE(writer.writePcm16(second, 3));
  EXPECT_EQ(filesIn(dir).size(), 1u);
  EXPECT_NE(filesIn(dir)[0], "take.wav");
  ASSERT_TRUE(writer.setSampleCount(5));
  ASSERT_TRUE(writer.commit());

  const Bytes bytes = readFile(out);
  ASSERT_EQ(bytes.size(), 54u);
  // 5 samples are 10 bytes of data; the RIFF chunk holds 36 more.
  EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 8), (Bytes{46, 0, 0, 0}));
  EXPECT_EQ(Bytes(bytes.begin() + 40, bytes.begin() + 44), (Bytes{10, 0, 0, 0}));
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 44),
            testwav::headerBytes(testwav::consistentHeader(1, 16, 10)));
  EXPECT_EQ(Bytes(bytes.begin() + 44, bytes.end()),
            (Bytes{0x01, 0x00, 0xFE, 0xFF, 0xFF, 0x7F, 0x00, 0x80, 0x00, 0x01}));

  WaveWriter floats;
  ASSERT_TRUE(floats.open(dir.pathOf("f.wav"), SampleFormat::kFloat32, 0));
  EXPECT_FALSE(floats.writePcm16(first, 2));
}

}  // namespace
