// Reads the fixed 44-byte RIFF/WAVE header, validates it and leaves the file at its first sample.
#include "wave_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kRiffHeaderBytes = 8;
constexpr size_t kFormatBlockBytes = 24;
constexpr size_t kDataHeaderBytes = 8;

// Header fields are decoded from bytes so the host's byte order never matters.
uint16_t le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t makeFourCC(const char* text) {
  uint32_t code = 0;
  bool ended = text == nullptr;
  for (int i = 0; i < 4; ++i) {
    if (!ended && text[i] == '\0')
      ended = true;
    const auto c = static_cast<uint8_t>(ended ? ' ' : text[i]);
    code |= static_cast<uint32_t>(c) << (8 * i);
  }
  return code;
}

WaveFile::WaveFile()
    : riffTag(makeFourCC("RIFF")), fmtTag(makeFourCC("fmt")), dataTag(makeFourCC("data")) {}

WaveFile::~WaveFile() {
  if (state != Closed)
    close();
}

int WaveFile::openStream(const char* path) {
  if (state != Closed)
    close();
  failed = NoFailure;
  openErrno = 0;
  if (path == nullptr)
    return fail(NoPath);
  // A device, FIFO or socket is refused before it is opened, since opening some of them does
  // something; the fstat below settles it for a file swapped in between.
  struct stat info;
  if (stat(path, &info) == 0 && !S_ISREG(info.st_mode))
    return fail(NotRegular);
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for ever.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return fail(CannotOpen, errno);
  if (fstat(fd, &info) != 0) {
    const int statError = errno;
    ::close(fd);
    return fail(CannotOpen, statError);
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return fail(NotRegular);
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
      (stream = fdopen(fd, "rb")) == nullptr) {
    const int openError = errno;
    ::close(fd);
    return fail(CannotOpen, openError);
  }
  uint8_t head[kRiffHeaderBytes];
  state = Reading;
  if (readBytes(head, sizeof head) != kWaveOk) {
    close();
    return fail(NotWave);
  }
  riffTag = le32(head);
  riffSize = le32(head + 4);
  return kWaveOk;
}

int WaveFile::openRead(const char* path) {
  if (path == nullptr) {
    failed = NoFailure;
    return fail(NoPath);
  }
  if (int result = openStream(path); result != kWaveOk)
    return result;
  if (expectBytes("WAVE", 4) != kWaveOk)
    return fail(NotWave);

  uint8_t format[kFormatBlockBytes];
  if (readBytes(format, sizeof format) != kWaveOk)
    return fail(CutOff);
  fmtTag = le32(format);
  fmtSize = le32(format + 4);
  formatTag = le16(format + 8);
  channels = le16(format + 10);
  sampleRate = le32(format + 12);
  byteRate = le32(format + 16);
  blockAlign = le16(format + 20);
  bitsPerSample = le16(format + 22);
  if (fmtTag != makeFourCC("fmt"))
    return fail(NoFormatChunk);
  if (channels != 1 && channels != 2)
    return fail(BadChannels);
  // The product wraps modulo 2^32 before the shift, as unsigned 32-bit arithmetic does.
  const uint32_t bitRate = static_cast<uint32_t>(channels) * bitsPerSample * sampleRate;
  if (byteRate != bitRate >> 3)
    return fail(BadRates);
  if (blockAlign != (channels * bitsPerSample) / 8)
    return fail(BadRates);

  dataHeaderPos = static_cast<int32_t>(std::ftell(stream));
  uint8_t data[kDataHeaderBytes];
  const int result = readBytes(data, sizeof data);
  if (result == kWaveOk) {
    dataTag = le32(data);
    dataSize = le32(data + 4);
  } else {
    fail(CutOff);
  }
  const int countResult = computeFrameCount();
  return result != kWaveOk ? result : countResult;
}

// Every byte from the stream position to the end of the file counts as sample data; the data
// chunk's size field plays no part.
int WaveFile::computeFrameCount() {
  frameCount = 0;
  const uint32_t bytesPerSample = bitsPerSample / 8u;
  struct stat info;
  const long pos = std::ftell(stream);
  if (bytesPerSample == 0)
    return fail(BadSampleSize);
  if (pos < 0 || fstat(fileno(stream), &info) != 0)
    return fail(CannotOpen, errno);
  // 64-bit arithmetic: for files under 4 GiB it gives the same quotient as 32-bit division,
  // and a larger file is never counted modulo 2^32.
  const uint64_t length = static_cast<uint64_t>(info.st_size);
  const uint64_t sampleBytes = length > static_cast<uint64_t>(pos) ? length - pos : 0;
  const uint64_t frames = sampleBytes / channels / bytesPerSample;
  if (frames > std::numeric_limits<uint32_t>::max())
    return fail(TooLong);
  frameCount = static_cast<uint32_t>(frames);
  return kWaveOk;
}

// The first step to refuse the file names the failure; a later one (the frame count, which
// always runs) does not overwrite it.
int WaveFile::fail(Failure why, int errorNumber) {
  if (failed == NoFailure) {
    failed = why;
    openErrno = errorNumber;
  }
  return why == NoPath ? kWaveBadRequest : kWaveIoError;
}

int WaveFile::close() {
  if (state == Reading && stream != nullptr)
    std::fclose(stream);
  stream = nullptr;
  state = Closed;
  return kWaveOk;
}

int WaveFile::expectBytes(const char* text, int count) {
  if (stream == nullptr)
    return kWaveIoError;
  for (int i = 0; i < count; ++i) {
    const int c = std::fgetc(stream);
    if (c == EOF || c != static_cast<uint8_t>(text[i]))
      return kWaveIoError;
  }
  return kWaveOk;
}

int WaveFile::readBytes(uint8_t* dst, size_t count) {
  if (stream == nullptr)
    return kWaveIoError;
  return std::fread(dst, 1, count, stream) == count ? kWaveOk : kWaveIoError;
}

int WaveFile::readSamples16(int16_t* dst, uint32_t frames, uint32_t* framesRead) {
  const size_t wanted = static_cast<size_t>(frames) * sizeof(int16_t);
  auto* bytes = reinterpret_cast<uint8_t*>(dst);
  const size_t got = stream == nullptr ? 0 : std::fread(bytes, 1, wanted, stream);
  readErrno = got < wanted && stream != nullptr && std::ferror(stream) ? errno : 0;
  const size_t whole = got / sizeof(int16_t);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  for (size_t i = 0; i < whole; ++i) dst[i] = static_cast<int16_t>(le16(bytes + 2 * i));
#endif
  if (framesRead != nullptr)
    *framesRead = static_cast<uint32_t>(whole);
  return got == wanted ? kWaveOk : kWaveIoError;
}

long WaveFile::position() const {
  return stream == nullptr ? -1 : std::ftell(stream);
}
