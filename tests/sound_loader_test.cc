// The sample buffer's allocation, and loadSound's answer when the memory cannot be had.
#include "sound_loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_wav.h"

namespace {

constexpr uintptr_t kTwoMiB = uintptr_t{2} << 20;

// The VmFlags of the mapping that holds `address`, from /proc/self/smaps.
std::string mappingFlags(const void* address) {
  const auto at = reinterpret_cast<uintptr_t>(address);
  std::ifstream smaps("/proc/self/smaps");
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    uintptr_t start = 0;
    uintptr_t end = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> start >> dash >> end && dash == '-') {
      inside = start <= at && at < end;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return "";
}

SampleBuffer noMemory(size_t) {
  return nullptr;
}

// The file loses all but 3000 samples and a half between the header's check and the samples' read,
// beyond what the stream has buffered.
std::string g_shrinkingPath;
SampleBuffer shrinkFirst(size_t frames) {
  return truncate(g_shrinkingPath.c_str(), 44 + 2 * 3000 + 1) == 0 ? allocateFrames(frames)
                                                                   : nullptr;
}

}  // namespace

TEST(AllocateFrames, LongSoundsStartOnA2MiBBoundaryMarkedForHugePages) {
  // Ten minutes, and exactly 2 MiB of floats: both take the huge-page path.
  for (size_t frames : {size_t{26460000}, size_t{524288}}) {
    SampleBuffer buffer = allocateFrames(frames);
    ASSERT_NE(buffer, nullptr) << frames;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.get()) % kTwoMiB, 0u) << frames;
    // "hg": the mapping carries the MADV_HUGEPAGE advice.
    EXPECT_NE(mappingFlags(buffer.get()).find(" hg"), std::string::npos)
        << frames << ": " << mappingFlags(buffer.get());
    buffer[0] = 1.0f;
    buffer[frames - 1] = 1.0f;
  }
}

TEST(AllocateFrames, ShortSoundsGetOrdinaryMemoryEveryFrameUsable) {
  SampleBuffer buffer = allocateFrames(10);
  ASSERT_NE(buffer, nullptr);
  for (int i = 0; i < 10; ++i) buffer[i] = static_cast<float>(i);
  EXPECT_EQ(buffer[9], 9.0f);
}

TEST(AllocateFrames, ASizeWhoseByteCountWrapsAroundGivesNull) {
  // Four bytes a frame: SIZE_MAX / 4 + 2 frames would wrap to a 4-byte request.
  EXPECT_EQ(allocateFrames(SIZE_MAX / 4 + 2), nullptr);
  EXPECT_EQ(allocateFrames(SIZE_MAX), nullptr);
}

TEST(LoadSound, NoMemoryOrACutOffFileKeepsTheSoundItHeld) {
  testwav::TempDir dir;
  const std::string path = dir.write("ramp.wav", testwav::monoWav16({0, 8192, 16384, -16384}));
  Sound sound;
  ASSERT_EQ(loadSound(path.c_str(), sound).result, LoadResult::kLoaded);
  const float* held = sound.samples.get();
  EXPECT_EQ(loadSound(path.c_str(), sound, noMemory).result, LoadResult::kNoMemory);
  EXPECT_EQ(sound.samples.get(), held);
  EXPECT_EQ(sound.frameCount, 4);
  g_shrinkingPath = dir.write("cut.wav", testwav::monoWav16(std::vector<int16_t>(5000, 7)));
  const LoadOutcome outcome = loadSound(g_shrinkingPath.c_str(), sound, shrinkFirst);
  EXPECT_EQ(outcome.result, LoadResult::kWrongFormat);
  EXPECT_EQ(outcome.reason, "cut off after 3000 of 5000 samples");
  EXPECT_EQ(sound.samples.get(), held);
  EXPECT_STREQ(loadMessage(LoadResult::kNoMemory), "Not enough memory to load this file");
}
