// WaveFile: header validation, frame counts from the file length, and where a failure leaves it.
#include "wave/wave_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/test_wav.h"

namespace {

using testwav::WavHeader;

std::vector<uint8_t> withData(const WavHeader& h, size_t dataBytes) {
  std::vector<uint8_t> bytes = testwav::headerBytes(h);
  for (size_t i = 0; i < dataBytes; ++i) bytes.push_back(static_cast<uint8_t>(i * 7));
  return bytes;
}

struct Opened {
  int result;
  int state;
  long position;
};

Opened openBytes(WaveFile& file, const std::vector<uint8_t>& bytes) {
  testwav::TempDir dir;
  const int result = file.openRead(dir.write("t.wav", bytes).c_str());
  // An open stream keeps its file readable after the folder entry goes away.
  return {result, file.getState(), file.position()};
}

int resultFor(const WavHeader& h) {
  WaveFile file;
  return openBytes(file, withData(h, 8)).result;
}

}  // namespace

TEST(MakeFourCC, PacksFirstFourCharactersLowestByteFirstPaddedWithSpaces) {
  EXPECT_EQ(makeFourCC("RIFF"), 0x46464952u);
  EXPECT_EQ(makeFourCC("fmt"), 0x20746d66u);
  EXPECT_EQ(makeFourCC("fmt"), makeFourCC("fmt "));
  EXPECT_EQ(makeFourCC(""), 0x20202020u);
  EXPECT_EQ(makeFourCC("WAVEXY"), makeFourCC("WAVE"));
}

TEST(WaveFile, ConstructionDescribesAnEmptyClosedStereoFile) {
  WaveFile file;
  EXPECT_EQ(file.getState(), WaveFile::Closed);
  EXPECT_EQ(file.position(), -1);
  EXPECT_EQ(file.getRiffTag(), makeFourCC("RIFF"));
  EXPECT_EQ(file.getFmtTag(), makeFourCC("fmt"));
  EXPECT_EQ(file.getDataTag(), makeFourCC("data"));
  EXPECT_EQ(file.getChannels(), 2);
  EXPECT_EQ(file.getByteRate(), 176400u);
  EXPECT_EQ(file.getBlockAlign(), 4);
  EXPECT_EQ(file.getFrameCount(), 0u);
}

TEST(WaveFile, CanonicalMonoFileIsReadAndLeftAtFirstSample) {
  WaveFile file;
  const Opened o = openBytes(file, withData(testwav::consistentHeader(1, 16, 2 * 1234), 2 * 1234));
  EXPECT_EQ(o.result, kWaveOk);
  EXPECT_EQ(o.state, WaveFile::Reading);
  EXPECT_EQ(o.position, 44);
  EXPECT_EQ(file.getDataHeaderPos(), 36);
  EXPECT_EQ(file.getChannels(), 1);
  EXPECT_EQ(file.getBitsPerSample(), 16);
  EXPECT_EQ(file.getFrameCount(), 1234u);
  EXPECT_EQ(file.getRiffSize(), 36u + 2 * 1234);
  EXPECT_EQ(file.getDataSize(), 2u * 1234);
  EXPECT_EQ(file.getSampleRate(), 44100u);
}

TEST(WaveFile, HeaderFieldsDecodeLittleEndianFromEveryByte) {
  WavHeader h = testwav::consistentHeader(2, 16, 0, 0x00012345);
  h.riffSize = 0x0a0b0c0d;
  h.dataSize = 0x01020304;
  h.formatTag = 0xfffe;
  WaveFile file;
  ASSERT_EQ(openBytes(file, withData(h, 0)).result, kWaveOk);
  EXPECT_EQ(file.getRiffSize(), 0x0a0b0c0du);
  EXPECT_EQ(file.getSampleRate(), 0x00012345u);
  EXPECT_EQ(file.getByteRate(), 0x00012345u * 4);
  EXPECT_EQ(file.getFormatTag(), 0xfffe);
  EXPECT_EQ(file.getDataSize(), 0x01020304u);
}

TEST(WaveFile, RiffTagRiffSizeFormatTagAndDataTagAreNotChecked) {
  WavHeader h = testwav::consistentHeader(1, 16, 8);
  h.riffTag = "RIFX";
  h.riffSize = 7;
  h.formatTag = 3;
  h.dataTag = "junk";
  h.dataSize = 0xffffffffu;
  EXPECT_EQ(resultFor(h), kWaveOk);
}

TEST(WaveFile, FormTypeAndFormatChunkTagMustMatchExactly) {
  for (const char* form : {"WAVF", "wave", "AVE "}) {
    WavHeader h = testwav::consistentHeader(1, 16, 8);
    h.formType = form;
    EXPECT_EQ(resultFor(h), kWaveIoError) << form;
  }
  for (std::string tag : {std::string("fmt\0", 4), std::string("FMT "), std::string("fmtx")}) {
    WavHeader h = testwav::consistentHeader(1, 16, 8);
    h.fmtTag = tag;
    EXPECT_EQ(resultFor(h), kWaveIoError) << tag;
  }
}

TEST(WaveFile, ChannelsMustBeOneOrTwoEvenWhenRatesAgree) {
  EXPECT_EQ(resultFor(testwav::consistentHeader(1, 16, 8)), kWaveOk);
  EXPECT_EQ(resultFor(testwav::consistentHeader(2, 16, 8)), kWaveOk);
  EXPECT_EQ(resultFor(testwav::consistentHeader(0, 16, 8)), kWaveIoError);
  EXPECT_EQ(resultFor(testwav::consistentHeader(3, 16, 8)), kWaveIoError);
}

TEST(WaveFile, RejectsByteRateOffByOne) {
  WavHeader h = testwav::consistentHeader(1, 16, 8);
  h.byteRate = 88200;
  EXPECT_EQ(resultFor(h), kWaveOk);
  h.byteRate = 88201;
  EXPECT_EQ(resultFor(h), kWaveIoError);
  h.byteRate = 88199;
  EXPECT_EQ(resultFor(h), kWaveIoError);
}

TEST(WaveFile, ByteRateProductWrapsModulo2To32BeforeTheShift) {
  // 1 x 16 x (2^28 + 1) = 2^32 + 16, which wraps to 16; 16 >> 3 = 2.
  WavHeader h = testwav::consistentHeader(1, 16, 8);
  h.sampleRate = (1u << 28) + 1;
  h.byteRate = 2;
  EXPECT_EQ(resultFor(h), kWaveOk);
  h.byteRate = (1u << 29) + 2;
  EXPECT_EQ(resultFor(h), kWaveIoError);
}

TEST(WaveFile, BlockAlignMustBeWholeBytesPerFrame) {
  WavHeader h = testwav::consistentHeader(1, 16, 8);
  for (uint16_t align : {1, 3, 4}) {
    h.blockAlign = align;
    EXPECT_EQ(resultFor(h), kWaveIoError) << align;
  }
  // 12-bit stereo: (2 x 12) / 8 = 3, the remainder discarded.
  EXPECT_EQ(resultFor(testwav::consistentHeader(2, 12, 8)), kWaveOk);
}

TEST(WaveFile, SubByteSamplesAreRefusedWithoutDividingByZero) {
  // 4 bits, 1 channel: both rate rules hold with byteRate = sampleRate / 2 and blockAlign 0.
  WavHeader h = testwav::consistentHeader(1, 4, 8);
  h.byteRate = 44100 / 2;
  h.blockAlign = 0;
  WaveFile file;
  EXPECT_EQ(openBytes(file, withData(h, 8)).result, kWaveIoError);
  EXPECT_EQ(file.getFrameCount(), 0u);
  EXPECT_EQ(resultFor(testwav::consistentHeader(2, 0, 8)), kWaveIoError);
}

TEST(WaveFile, FileCutShortFailsAtTheStepItReaches) {
  const std::vector<uint8_t> full = withData(testwav::consistentHeader(1, 16, 0), 0);
  for (size_t size = 0; size <= 44; ++size) {
    SCOPED_TRACE(size);
    WaveFile file;
    const Opened o = openBytes(file, std::vector<uint8_t>(full.begin(), full.begin() + size));
    if (size < 8) {
      EXPECT_EQ(o.result, kWaveIoError);
      EXPECT_EQ(o.state, WaveFile::Closed);
    } else if (size < 44) {
      EXPECT_EQ(o.result, kWaveIoError);
      EXPECT_EQ(o.state, WaveFile::Reading);
    } else {
      EXPECT_EQ(o.result, kWaveOk);
      EXPECT_EQ(file.getFrameCount(), 0u);
    }
    if (size >= 36) {
      EXPECT_EQ(file.getDataHeaderPos(), 36);
    }
    EXPECT_EQ(file.close(), kWaveOk);
    EXPECT_EQ(file.getState(), WaveFile::Closed);
  }
}

TEST(WaveFile, FailedFormCheckStopsAtTheFirstDifferingByte) {
  WavHeader h = testwav::consistentHeader(1, 16, 8);
  h.formType = "WXVE";
  WaveFile file;
  const Opened o = openBytes(file, withData(h, 8));
  EXPECT_EQ(o.result, kWaveIoError);
  EXPECT_EQ(o.position, 10);
}

TEST(WaveFile, LargerFormatChunkAndExtraChunksCountAsSampleBytes) {
  // fmtSize 18: the two extra body bytes and the first half of the real "data" header land in
  // dataTag, and everything from offset 44 on, the rest of that header included, is samples.
  WavHeader h = testwav::consistentHeader(1, 16, 20);
  h.fmtSize = 18;
  std::vector<uint8_t> bytes = testwav::headerBytes(h);
  bytes.resize(36);
  const std::vector<uint8_t> tail = {0xaa, 0xbb, 'd', 'a', 't', 'a', 20, 0, 0, 0};
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  bytes.resize(bytes.size() + 20, 0);
  const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
  bytes.insert(bytes.end(), list.begin(), list.end());
  WaveFile file;
  ASSERT_EQ(openBytes(file, bytes).result, kWaveOk);
  EXPECT_EQ(file.getDataTag(), 0x6164bbaau);
  EXPECT_EQ(file.getFrameCount(), (2u + 20 + 12) / 2);
}

TEST(WaveFile, FrameCountFollowsFileLengthNotDataSize) {
  WavHeader h = testwav::consistentHeader(1, 16, 0);
  WaveFile file;
  ASSERT_EQ(openBytes(file, withData(h, 2 * 50 + 1)).result, kWaveOk);
  EXPECT_EQ(file.getFrameCount(), 50u);
  h.dataSize = 1000000;
  ASSERT_EQ(openBytes(file, withData(h, 2 * 50)).result, kWaveOk);
  EXPECT_EQ(file.getFrameCount(), 50u);
}

TEST(WaveFile, FrameCountDividesByChannelsThenBytesPerSample) {
  struct Case {
    uint16_t channels, bits;
    size_t dataBytes;
    uint32_t frames;
  };
  for (const Case& c : {Case{2, 16, 403, 100}, Case{2, 8, 403, 201}, Case{1, 24, 301, 100},
                        Case{2, 24, 13, 2}, Case{1, 8, 5, 5}}) {
    WaveFile file;
    ASSERT_EQ(
        openBytes(file, withData(testwav::consistentHeader(c.channels, c.bits, 0), c.dataBytes))
            .result,
        kWaveOk);
    EXPECT_EQ(file.getFrameCount(), c.frames) << c.channels << " x " << c.bits;
  }
}

TEST(WaveFile, FileOfFourGigabytesOrMoreIsNeverCountedModulo2To32) {
  testwav::TempDir dir;
  const std::string path =
      dir.write("big.wav", testwav::headerBytes(testwav::consistentHeader(1, 16, 0)));
  // Sparse: 2^33 + 4 sample bytes are 2^32 + 2 frames, one more than a 32-bit count holds.
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 33) + 4), 0);
  WaveFile file;
  EXPECT_EQ(file.openRead(path.c_str()), kWaveIoError);
  EXPECT_NE(file.getFrameCount(), 2u);
  ASSERT_EQ(truncate(path.c_str(), 44 + (1LL << 32) + 4), 0);
  EXPECT_EQ(file.openRead(path.c_str()), kWaveOk);
  EXPECT_EQ(file.getFrameCount(), (1u << 31) + 2);
}

TEST(WaveFile, MissingOrNullPathIsRefusedAndLeavesItClosed) {
  WaveFile file;
  EXPECT_EQ(file.openRead(nullptr), kWaveBadRequest);
  EXPECT_EQ(file.getState(), WaveFile::Closed);
  EXPECT_EQ(file.openRead("/nonexistent/grainpanel/none.wav"), kWaveIoError);
  EXPECT_EQ(file.getState(), WaveFile::Closed);
  EXPECT_EQ(file.close(), kWaveOk);
  EXPECT_EQ(file.close(), kWaveOk);
}

TEST(WaveFile, PathsWithSpacesAndNonAsciiCharactersOpen) {
  testwav::TempDir dir;
  const std::string path = dir.write("Grän über 音.wav", testwav::monoWav16({1, 2, 3}));
  WaveFile file;
  EXPECT_EQ(file.openRead(path.c_str()), kWaveOk);
  EXPECT_EQ(file.getFrameCount(), 3u);
}

TEST(WaveFile, ReopeningClosesTheFirstStreamAndStartsOver) {
  testwav::TempDir dir;
  const std::string a = dir.write("a.wav", testwav::monoWav16({1, 2, 3}));
  const std::string b = dir.write("b.wav", testwav::monoWav16({4, 5}));
  WaveFile file;
  ASSERT_EQ(file.openRead(a.c_str()), kWaveOk);
  ASSERT_EQ(file.openRead(b.c_str()), kWaveOk);
  EXPECT_EQ(file.getFrameCount(), 2u);
  int16_t s[2] = {0, 0};
  EXPECT_EQ(file.readSamples16(s, 2), kWaveOk);
  EXPECT_EQ(s[0], 4);
  EXPECT_EQ(s[1], 5);
}

TEST(WaveFile, ReadSamples16DecodesLittleEndianAndReportsShortReads) {
  testwav::TempDir dir;
  const std::vector<uint8_t> bytes = testwav::monoWav16({0x1234, -2, 32767});
  WaveFile file;
  ASSERT_EQ(file.openRead(dir.write("s.wav", bytes).c_str()), kWaveOk);
  int16_t s[4] = {9, 9, 9, 9};
  uint32_t got = 99;
  EXPECT_EQ(file.readSamples16(s, 4, &got), kWaveIoError);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(s[0], 0x1234);
  EXPECT_EQ(s[1], -2);
  EXPECT_EQ(s[2], 32767);
  EXPECT_EQ(file.expectBytes("x", 0), kWaveOk);
  file.close();
  EXPECT_EQ(file.readSamples16(s, 1, &got), kWaveIoError);
  EXPECT_EQ(got, 0u);
}
