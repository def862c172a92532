// WaveWriter: a WAV file that appears complete or not at all, where its path leads.
#include "wave_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "test_wav.h"

namespace {

using Bytes = std::vector<uint8_t>;

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

// What a symbolic link says, or "" when the name is no longer a link.
std::string linkText(const std::string& path) {
  char text[4096];
  const ssize_t length = readlink(path.c_str(), text, sizeof text);
  return length < 0 ? "" : std::string(text, static_cast<size_t>(length));
}

}  // namespace

TEST(WaveWriter, TheTemporaryNameLeavesRoomForTheLongestLegalName) {
  testwav::TempDir dir;
  for (size_t length : {245, 255}) {
    const std::string name = std::string(length - 4, 'n') + ".wav";
    EXPECT_EQ(writeTwoSamples(dir.pathOf(name)), "") << length;
    EXPECT_EQ(testwav::readBytes(dir.pathOf(name)), twoSampleFile()) << length;
    EXPECT_EQ(dir.names(), std::vector<std::string>{name});
    unlink(dir.pathOf(name).c_str());
  }
  // One byte more is refused at open, before anything is rendered.
  WaveWriter writer;
  EXPECT_FALSE(writer.open(dir.pathOf(std::string(252, 'n') + ".wav"), SampleFormat::kPcm16, 2));
  EXPECT_NE(writer.error().find("File name too long"), std::string::npos) << writer.error();
  EXPECT_EQ(dir.names(), std::vector<std::string>{});
}

TEST(WaveWriter, ALinkStaysALinkAndTheFileItFinallyNamesReceivesTheOutput) {
  testwav::TempDir links;
  testwav::TempDir targets;
  const std::string old = targets.write("old.wav", {1, 2, 3});
  ASSERT_EQ(chmod(old.c_str(), 0640), 0);
  ASSERT_EQ(symlink(old.c_str(), links.pathOf("abs.wav").c_str()), 0);
  EXPECT_EQ(writeTwoSamples(links.pathOf("abs.wav")), "");
  EXPECT_EQ(testwav::readBytes(old), twoSampleFile());
  EXPECT_EQ(linkText(links.pathOf("abs.wav")), old);
  struct stat info;
  ASSERT_EQ(stat(old.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(targets.names(), std::vector<std::string>{"old.wav"});

  // Relative links are read from their own folder, not the working one; the last one dangles
  // and names the file to create.
  ASSERT_EQ(symlink("b.wav", links.pathOf("a.wav").c_str()), 0);
  ASSERT_EQ(symlink("c.wav", links.pathOf("b.wav").c_str()), 0);
  EXPECT_EQ(writeTwoSamples(links.pathOf("a.wav")), "");
  EXPECT_EQ(testwav::readBytes(links.pathOf("c.wav")), twoSampleFile());
  EXPECT_EQ(linkText(links.pathOf("a.wav")), "b.wav");
  EXPECT_EQ(linkText(links.pathOf("b.wav")), "c.wav");
  EXPECT_EQ(links.names(), (std::vector<std::string>{"a.wav", "abs.wav", "b.wav", "c.wav"}));
}

TEST(WaveWriter, ALinkLoopIsRefusedAtOpen) {
  testwav::TempDir dir;
  ASSERT_EQ(symlink("loop.wav", dir.pathOf("loop.wav").c_str()), 0);
  WaveWriter writer;
  EXPECT_FALSE(writer.open(dir.pathOf("loop.wav"), SampleFormat::kPcm16, 2));
  EXPECT_EQ(writer.error(),
            "cannot write " + dir.pathOf("loop.wav") + ": Too many levels of symbolic links");
  EXPECT_EQ(dir.names(), std::vector<std::string>{"loop.wav"});
}

// The sound goes through the FIFO to its reader; a file renamed over the FIFO would reach no one.
TEST(WaveWriter, AFifoIsWrittenInPlaceAndStaysAFifo) {
  testwav::TempDir dir;
  const std::string fifo = dir.pathOf("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Open without waiting for a writer; two samples fit the pipe, so nothing here blocks.
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(writeTwoSamples(fifo), "");
  Bytes got(100);
  const ssize_t n = read(reader, got.data(), got.size());
  close(reader);
  got.resize(n < 0 ? 0 : static_cast<size_t>(n));
  EXPECT_EQ(got, twoSampleFile());
  struct stat info;
  ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(dir.names(), std::vector<std::string>{"pipe"});
}

TEST(WaveWriter, ADeviceIsWrittenInPlaceAndStaysADevice) {
  testwav::TempDir dir;
  // A null device of our own, never the system's /dev/null.
  const std::string device = dir.pathOf("null");
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "making a device needs privilege here";
  const int probe = open(device.c_str(), O_WRONLY);
  if (probe < 0)
    GTEST_SKIP() << "devices cannot be opened on this file system";
  close(probe);
  EXPECT_EQ(writeTwoSamples(device), "");
  struct stat info;
  ASSERT_EQ(lstat(device.c_str(), &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode));
  EXPECT_EQ(info.st_rdev, makedev(1, 3));
  EXPECT_EQ(dir.names(), std::vector<std::string>{"null"});
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
  EXPECT_EQ(dir.names(), std::vector<std::string>{"out.wav"});
  EXPECT_EQ(testwav::readBytes(out), (Bytes{1, 2, 3}));

  WaveWriter writer;
  ASSERT_TRUE(writer.open(out, SampleFormat::kPcm16, 3));
  ASSERT_TRUE(writer.write(samples, 3));
  ASSERT_TRUE(writer.commit());
  EXPECT_EQ(dir.names(), std::vector<std::string>{"out.wav"});
  const Bytes bytes = testwav::readBytes(out);
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
  EXPECT_EQ(dir.names().size(), 1u);
  EXPECT_NE(dir.names()[0], "take.wav");
  ASSERT_TRUE(writer.setSampleCount(5));
  ASSERT_TRUE(writer.commit());

  const Bytes bytes = testwav::readBytes(out);
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
