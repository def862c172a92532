// WaveWriter: where the finished file lands and what it leaves beside it.
#include "wave_writer.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
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

// Every name in the folder, hidden ones included.
std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..")
      names.push_back(name);
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

// Header and samples of a 16-bit file of {0.5, -0.5}: 16383 and -16383, little-endian.
Bytes twoSampleFile() {
  Bytes bytes = testwav::headerBytes(testwav::consistentHeader(1, 16, 4));
  for (uint8_t b : {0xFF, 0x3F, 0x01, 0xC0}) bytes.push_back(b);
  return bytes;
}

// Opens, writes {0.5, -0.5} and commits; the error text on failure.
std::string writeTwoSamples(const std::string& path) {
  const float samples[] = {0.5f, -0.5f};
  WaveWriter writer;
  if (!writer.open(path, SampleFormat::kPcm16, 2) || !writer.write(samples, 2) || !writer.commit())
    return writer.error();
  return "";
}

}  // namespace

TEST(WaveWriter, TheTemporaryNameLeavesRoomForTheLongestLegalName) {
  testwav::TempDir dir;
  for (size_t length : {245, 255}) {
    const std::string name = std::string(length - 4, 'n') + ".wav";
    EXPECT_EQ(writeTwoSamples(dir.pathOf(name)), "") << length;
    EXPECT_EQ(readFile(dir.pathOf(name)), twoSampleFile()) << length;
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{name});
    unlink(dir.pathOf(name).c_str());
  }
}
