// Test helper: builds WAV files byte by byte (canonical or with chosen header fields) in a temp
// folder.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testwav {

// Every field of the 44-byte header, defaulting to a 16-bit mono PCM file at 44 100 frames per
// second with no samples. Tags are written as their first four characters, padded with spaces.
struct WavHeader {
  std::string riffTag = "RIFF";
  uint32_t riffSize = 36;
  std::string formType = "WAVE";
  std::string fmtTag = "fmt ";
  uint32_t fmtSize = 16;
  uint16_t formatTag = 1;
  uint16_t channels = 1;
  uint32_t sampleRate = 44100;
  uint32_t byteRate = 88200;
  uint16_t blockAlign = 2;
  uint16_t bitsPerSample = 16;
  std::string dataTag = "data";
  uint32_t dataSize = 0;
};

// A header whose rate, align and size fields agree with the format and the number of data bytes.
inline WavHeader consistentHeader(uint16_t channels, uint16_t bitsPerSample, uint32_t dataBytes,
                                  uint32_t sampleRate = 44100) {
  WavHeader h;
  h.channels = channels;
  h.bitsPerSample = bitsPerSample;
  h.sampleRate = sampleRate;
  h.blockAlign = static_cast<uint16_t>(channels * bitsPerSample / 8);
  h.byteRate = sampleRate * h.blockAlign;
  h.dataSize = dataBytes;
  h.riffSize = 36 + dataBytes;
  return h;
}

inline void appendTag(std::vector<uint8_t>& out, const std::string& tag) {
  for (size_t i = 0; i < 4; ++i) out.push_back(i < tag.size() ? static_cast<uint8_t>(tag[i]) : ' ');
}

inline void appendLe16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void appendLe32(std::vector<uint8_t>& out, uint32_t v) {
  appendLe16(out, static_cast<uint16_t>(v));
  appendLe16(out, static_cast<uint16_t>(v >> 16));
}

// The 44 header bytes, little-endian whatever the host.
inline std::vector<uint8_t> headerBytes(const WavHeader& h) {
  std::vector<uint8_t> out;
  appendTag(out, h.riffTag);
  appendLe32(out, h.riffSize);
  appendTag(out, h.formType);
  appendTag(out, h.fmtTag);
  appendLe32(out, h.fmtSize);
  appendLe16(out, h.formatTag);
  appendLe16(out, h.channels);
  appendLe32(out, h.sampleRate);
  appendLe32(out, h.byteRate);
  appendLe16(out, h.blockAlign);
  appendLe16(out, h.bitsPerSample);
  appendTag(out, h.dataTag);
  appendLe32(out, h.dataSize);
  return out;
}

// A complete canonical 16-bit mono file holding these samples.
inline std::vector<uint8_t> monoWav16(const std::vector<int16_t>& samples,
                                      uint32_t sampleRate = 44100) {
  const auto dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<uint8_t> out = headerBytes(consistentHeader(1, 16, dataBytes, sampleRate));
  for (int16_t s : samples) appendLe16(out, static_cast<uint16_t>(s));
  return out;
}

// Every byte of a file; none when it cannot be read.
inline std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder under $TMPDIR (or /tmp), removed with everything written into it.
class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/grainpanel-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr)
      dir = buf.data();
  }
  ~TempDir() {
    if (dir.empty())
      return;
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
          unlink((dir + "/" + name).c_str());
      }
      closedir(d);
    }
    rmdir(dir.c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return dir; }
  // Every name in the folder, hidden ones included, sorted: a file left behind cannot hide.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    if (DIR* d = opendir(dir.c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..")
          found.push_back(name);
      }
      closedir(d);
    }
    std::sort(found.begin(), found.end());
    return found;
  }
  std::string pathOf(const std::string& name) const { return dir + "/" + name; }

  // Writes the bytes to a file of that name (spaces and UTF-8 welcome) and returns its full path.
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::string full = pathOf(name);
    if (FILE* f = std::fopen(full.c_str(), "wb")) {
      if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return full;
  }

 private:
  std::string dir;
};

}  // namespace testwav
