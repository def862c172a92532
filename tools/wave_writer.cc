// A WAV file that appears under its name complete or not at all.
#include "wave_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "pcm16.h"
#include "sample_rate.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "samples are written in host order");

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr int kChunkSamples = 16384;

void putLe16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

void putLe32(uint8_t* at, uint32_t v) {
  putLe16(at, static_cast<uint16_t>(v));
  putLe16(at + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace

void waveHeader(SampleFormat format, uint32_t sampleCount, uint8_t (&header)[kWaveHeaderBytes]) {
  const bool isFloat = format == SampleFormat::kFloat32;
  const uint16_t bytesPerSample = isFloat ? 4 : 2;
  const uint32_t dataBytes = sampleCount * bytesPerSample;
  std::memcpy(header, "RIFF", 4);
  putLe32(header + 4, 36 + dataBytes);
  std::memcpy(header + 8, "WAVEfmt ", 8);
  putLe32(header + 16, 16);
  putLe16(header + 20, isFloat ? kTagFloat : kTagPcm);
  putLe16(header + 22, 1);
  putLe32(header + 24, kSampleRate);
  putLe32(header + 28, kSampleRate * bytesPerSample);
  putLe16(header + 32, bytesPerSample);
  putLe16(header + 34, bytesPerSample * 8);
  std::memcpy(header + 36, "data", 4);
  putLe32(header + 40, dataBytes);
}

WaveWriter::~WaveWriter() {
  discard();
}

bool WaveWriter::open(const std::string& path, SampleFormat format, uint32_t sampleCount) {
  discard();
  m_path = path;
  m_format = format;
  std::vector<char> name(path.begin(), path.end());
  const char kSuffix[] = ".tmp-XXXXXX";
  name.insert(name.end(), kSuffix, kSuffix + sizeof kSuffix);
  m_fd = mkstemp(name.data());
  if (m_fd < 0) {
    return fail("cannot write", errno);
  }
  m_tempPath = name.data();
  // mkstemp makes the file private; the finished file gets the usual permissions instead.
  const mode_t mask = umask(0);
  umask(mask);
  if (fchmod(m_fd, 0666 & ~mask) != 0) {
    return fail("cannot write", errno);
  }
  uint8_t header[kWaveHeaderBytes];
  waveHeader(format, sampleCount, header);
  return writeBytes(header, sizeof header);
}

bool WaveWriter::write(const float* samples, int count) {
  if (m_format == SampleFormat::kFloat32) {
    return writeBytes(samples, static_cast<size_t>(count) * sizeof(float));
  }
  int16_t pcm[kChunkSamples];
  for (int done = 0; done < count;) {
    const int n = std::min(count - done, kChunkSamples);
    toPcm16(samples + done, pcm, n);
    if (!writeBytes(pcm, static_cast<size_t>(n) * sizeof(int16_t))) {
      return false;
    }
    done += n;
  }
  return true;
}

bool WaveWriter::commit() {
  if (m_fd < 0) {
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (close(fd) != 0) {
    return fail("cannot write", errno);
  }
  if (std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
    return fail("cannot write", errno);
  }
  m_tempPath.clear();
  return true;
}

bool WaveWriter::writeBytes(const void* bytes, size_t size) {
  if (m_fd < 0) {
    return false;
  }
  const char* at = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t written = ::write(m_fd, at, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return fail("cannot write", errno);
    }
    at += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Nothing half written stays behind: the temporary file goes with the error.
bool WaveWriter::fail(const std::string& what, int errorNumber) {
  m_error = what + " " + m_path + ": " + std::strerror(errorNumber);
  discard();
  return false;
}

void WaveWriter::discard() {
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  }
  if (!m_tempPath.empty()) {
    unlink(m_tempPath.c_str());
    m_tempPath.clear();
  }
}
