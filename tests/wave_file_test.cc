// WaveFile: header validation, frame counts from the file length, and where a failure leaves it.
#include "wave_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_wav.h"

namespace {

using testwav::consistentHeader;
using testwav::WavHeader;

std::vector<uint8_t> withData(const WavHeader& h, size_t dataBytes) {
  std::vector<uint8_t> bytes = testwav::headerBytes(h);
  for (size_t i = 0; i < dataBytes; ++i) bytes.push_back(static_cast<uint8_t>(i * 7));
  return bytes;
}

// The folder goes away at once; an open stream keeps its file readable on Linux.
int openBytes(WaveFile& file, const std::vector<uint8_t>& bytes) {
  testwav::TempDir dir;
  return file.openRead(dir.write("t.wav", bytes).c_str());
}

int resultFor(const WavHeader& h) {
  WaveFile file;
  return openBytes(file, withData(h, 8));
}

}  // namespace

TEST(MakeFourCC, PacksFirstFourCharactersLowestByteFirstPaddedWithSpaces) {
  EXPECT_EQ(makeFourCC("RIFF"), 0x46464952u);
  EXPECT_EQ(makeFourCC("fmt"), 0x20746d66u);
  EXPECT_EQ(makeFourCC(""), 0x20202020u);
  EXPECT_EQ(makeFourCC("WAVEXY"), makeFourCC("WAVE"));
}

TEST(WaveFile, CanonicalFileDecodesLittleEndianAndStopsAtFirstSample) {
  WavHeader h = consistentHeader(1, 16, 2 * 1234, 0x00012345);
  h.riffSize = 0x0a0b0c0d;
  h.formatTag = 0xfffe;
  WaveFile file;
  ASSERT_EQ(openBytes(file, withData(h, 2 * 1234)), kWaveOk);
  EXPECT_EQ(file.getState(), WaveFile::Reading);
  EXPECT_EQ(file.position(), 44);
  EXPECT_EQ(file.getDataHeaderPos(), 36);
  EXPECT_EQ(file.getFrameCount(), 1234u);
  EXPECT_EQ(file.getRiffSize(), 0x0a0b0c0du);
  EXPECT_EQ(file.getSampleRate(), 0x00012345u);
  EXPECT_EQ(file.getFormatTag(), 0xfffe);
  EXPECT_EQ(file.getDataSize(), 2u * 1234);
}

TEST(WaveFile, RiffTagRiffSizeFormatTagAndDataTagAreNotChecked) {
  WavHeader h = consistentHeader(1, 16, 8);
  h.riffTag = "RIFX";
  h.riffSize = 7;
  h.formatTag = 3;
  h.dataTag = "junk";
  EXPECT_EQ(resultFor(h), kWaveOk);
}

TEST(WaveFile, FormTypeAndFormatChunkTagMustMatchExactly) {
  for (const char* form : {"WAVF", "wave"}) {
    WavHeader h = consistentHeader(1, 16, 8);
    h.formType = form;
    EXPECT_EQ(resultFor(h), kWaveIoError) << form;
  }
  for (std::string tag : {std::string("fmt\0", 4), std::string("FMT ")}) {
    WavHeader h = consistentHeader(1, 16, 8);
    h.fmtTag = tag;
    EXPECT_EQ(resultFor(h), kWaveIoError) << tag;
  }
}

TEST(WaveFile, ChannelsMustBeOneOrTwoEvenWhenRatesAgree) {
  EXPECT_EQ(resultFor(consistentHeader(2, 16, 8)), kWaveOk);
  EXPECT_EQ(resultFor(consistentHeader(0, 16, 8)), kWaveIoError);
  EXPECT_EQ(resultFor(consistentHeader(3, 16, 8)), kWaveIoError);
}

TEST(WaveFile, RejectsByteRateOffByOne) {
  WavHeader h = consistentHeader(1, 16, 8);
  for (uint32_t rate : {88199u, 88201u}) {
    h.byteRate = rate;
    EXPECT_EQ(resultFor(h), kWaveIoError) << rate;
  }
  // 1 x 16 x (2^28 + 1) wraps to 16 as a 32-bit product, and 16 >> 3 = 2.
  h.sampleRate = (1u << 28) + 1;
  h.byteRate = 2;
  EXPECT_EQ(resultFor(h), kWaveOk);
}

TEST(WaveFile, RejectsBlockAlignOtherThanWholeBytesPerFrame) {
  WavHeader h = consistentHeader(1, 16, 8);
  for (uint16_t align : {1, 4}) {
    h.blockAlign = align;
    EXPECT_EQ(resultFor(h), kWaveIoError) << align;
  }
  EXPECT_EQ(resultFor(consistentHeader(2, 12, 8)), kWaveOk);  // (2 x 12) / 8 = 3
}

TEST(WaveFile, SubByteSamplesAreRefusedWithoutDividingByZero) {
  // 4 bits, 1 channel: both rate rules hold with byteRate = sampleRate / 2 and blockAlign 0.
  WavHeader h = consistentHeader(1, 4, 8);
  h.byteRate = 44100 / 2;
  h.blockAlign = 0;
  EXPECT_EQ(resultFor(h), kWaveIoError);
  EXPECT_EQ(resultFor(consistentHeader(2, 0, 8)), kWaveIoError);
}

TEST(WaveFile, FileCutShortFailsAndStaysOpenOnlyFromEightBytes) {
  const std::vector<uint8_t> full = withData(consistentHeader(1, 16, 0), 0);
  for (size_t size = 0; size <= 44; ++size) {
    SCOPED_TRACE(size);
    WaveFile file;
    const int result = openBytes(file, std::vector<uint8_t>(full.begin(), full.begin() + size));
    EXPECT_EQ(result, size < 44 ? kWaveIoError : kWaveOk);
    EXPECT_EQ(file.getState(), size < 8 ? WaveFile::Closed : WaveFile::Reading);
    EXPECT_EQ(file.getFrameCount(), 0u);
    EXPECT_EQ(file.close(), kWaveOk);
    EXPECT_EQ(file.getState(), WaveFile::Closed);
  }
}

TEST(WaveFile, LargerFormatChunkAndExtraChunksCountAsSampleBytes) {
  // fmtSize 18: the two extra body bytes and half the real "data" header land in dataTag, and
  // everything from offset 44 on, the rest of that header included, is samples.
  WavHeader h = consistentHeader(1, 16, 20);
  h.fmtSize = 18;
  std::vector<uint8_t> bytes = testwav::headerBytes(h);
  bytes.resize(36);
  const std::vector<uint8_t> tail = {0xaa, 0xbb, 'd', 'a', 't', 'a', 20, 0, 0, 0};
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  bytes.resize(bytes.size() + 20, 0);
  const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
  bytes.insert(bytes.end(), list.begin(), list.end());
  WaveFile file;
  ASSERT_EQ(openBytes(file, bytes), kWaveOk);
  EXPECT_EQ(file.getDataTag(), 0x6164bbaau);
  EXPECT_EQ(file.getFrameCount(), (2u + 20 + 12) / 2);
}

TEST(WaveFile, FrameCountIsFileLengthOverChannelsThenBytesPerSample) {
  struct Case {
    uint16_t channels, bits;
    uint32_t dataSizeField;
    size_t dataBytes;
    uint32_t frames;
  };
  for (const Case& c :
       {Case{1, 16, 0, 101, 50}, Case{1, 16, 1000000, 100, 50}, Case{2, 16, 0, 403, 100},
        Case{2, 8, 0, 403, 201}, Case{1, 24, 0, 301, 100}, Case{2, 24, 0, 13, 2}}) {
    WavHeader h = consistentHeader(c.channels, c.bits, c.dataSizeField);
    WaveFile file;
    ASSERT_EQ(openBytes(file, withData(h, c.dataBytes)), kWaveOk);
    EXPECT_EQ(file.getFrameCount(), c.frames) << c.channels << " x " << c.bits;
  }
}

TEST(WaveFile, FileOfFourGigabytesOrMoreIsNeverCountedModulo2To32) {
  testwav::TempDir dir;
  const std::string path = dir.write("big.wav", testwav::headerBytes(consistentHeader(1, 16, 0)));
  // Sparse: 2^33 + 4 sample bytes are 2^32 + 2 frames, more than a 32-bit count holds.
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 33) + 4), 0);
  WaveFile file;
  EXPECT_EQ(file.openRead(path.c_str()), kWaveIoError);
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 32) + 4), 0);
  EXPECT_EQ(file.openRead(path.c_str()), kWaveOk);
  EXPECT_EQ(file.getFrameCount(), (1u << 31) + 2);
}

TEST(WaveFile, MissingOrNullPathIsRefusedAndLeavesItClosed) {
  WaveFile file;
  EXPECT_EQ(file.openRead(nullptr), kWaveBadRequest);
  EXPECT_EQ(file.openRead("/nonexistent/grainpanel/none.wav"), kWaveIoError);
  EXPECT_EQ(file.getState(), WaveFile::Closed);
  EXPECT_EQ(file.close(), kWaveOk);
}

TEST(WaveFile, PathsWithSpacesAndNonAsciiCharactersOpen) {
  testwav::TempDir dir;
  const std::string path = dir.write("Grän über 音.wav", testwav::monoWav16({1, 2, 3}));
  WaveFile file;
  EXPECT_EQ(file.openRead(path.c_str()), kWaveOk);
  EXPECT_EQ(file.getFrameCount(), 3u);
}

// A FIFO holding a whole valid file is refused without a byte taken from it, and one with no
// writer is refused at once instead of waiting for one; so are a folder, a socket and a device.
TEST(WaveFile, FilesThatAreNotRegularAreRefusedUnreadAndWithoutWaiting) {
  testwav::TempDir dir;
  const std::string fifo = dir.pathOf("pipe.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Read and write ends both held here, so an open that does block cannot block this test.
  const int ends = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_GE(ends, 0);
  const std::vector<uint8_t> bytes = withData(consistentHeader(1, 16, 100), 100);
  ASSERT_EQ(write(ends, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  WaveFile file;
  EXPECT_EQ(file.openRead(fifo.c_str()), kWaveIoError);
  EXPECT_EQ(file.failure(), WaveFile::NotRegular);
  EXPECT_EQ(file.getState(), WaveFile::Closed);
  std::vector<uint8_t> left(bytes.size() + 1);
  EXPECT_EQ(read(ends, left.data(), left.size()), static_cast<ssize_t>(bytes.size()));
  close(ends);

  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir.pathOf("socket.wav");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string lonelyFifo = dir.pathOf("no writer.wav");
  ASSERT_EQ(mkfifo(lonelyFifo.c_str(), 0600), 0);
  for (const std::string& path : {lonelyFifo, socketPath, dir.path(), std::string("/dev/zero")}) {
    EXPECT_EQ(file.openRead(path.c_str()), kWaveIoError) << path;
    EXPECT_EQ(file.failure(), WaveFile::NotRegular) << path;
    EXPECT_EQ(file.getState(), WaveFile::Closed) << path;
  }
  close(listener);
}
