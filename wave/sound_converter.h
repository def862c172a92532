// Converts any sound libsndfile reads into the instrument's floats: one channel, 44 100 Hz.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound_loader.h"

struct sf_private_tag;

class SoundConverter {
 public:
  SoundConverter() = default;
  ~SoundConverter();
  SoundConverter(const SoundConverter&) = delete;
  SoundConverter& operator=(const SoundConverter&) = delete;

  // True when libsndfile reads the file and its sound, once at 44 100 Hz, holds 2 to 2^31 - 1
  // frames. Only the header is read; a file that is no regular file is refused unopened.
  bool open(const char* path);
  // Why the last open refused its file, in plain words; empty after an accepted one.
  const std::string& refusal() const { return m_refusal; }
  // Whether libsndfile read the last file's header, whatever came of it after.
  bool readable() const { return m_readable; }
  // Frames of the converted sound, known from the header before any sample is read.
  int frameCount() const { return m_frameCount; }
  // What the file holds, as "48 000 Hz, stereo, 24-bit".
  const std::string& description() const { return m_description; }
  // Fills dst, which has room for frameCount() floats: the channels' mean, resampled where the
  // rate is not 44 100 Hz. Frames a damaged file does not deliver are 0.0. Reads the file once.
  void readFloats(float* dst);
  void close();

 private:
  void readDirect(float* dst);
  void readResampled(float* dst);
  // Reads up to one chunk and mixes it into m_mono; returns the frames read.
  int readMono();

  sf_private_tag* m_file = nullptr;
  bool m_readable = false;
  int m_channels = 0;
  int m_sampleRate = 0;
  int64_t m_sourceFrames = 0;
  int m_frameCount = 0;
  std::string m_refusal;
  std::string m_description;
  std::vector<float> m_chunk;
  std::vector<float> m_mono;
};

// Opens, allocates, converts, fades the edges and closes; `sound` changes only on kLoaded. A
// file the converter refuses is kWrongFormat with its reason.
LoadOutcome convertSound(SoundConverter& converter, Sound& sound,
                         FrameAllocator allocate = allocateFrames);

// The strict loader first; a file it refuses that the converter takes is converted. A file
// libsndfile cannot read keeps the strict loader's refusal; one it reads but the converter
// refuses (too long, too short) gets the converter's. `note`, when given, receives what was
// converted ("48 000 Hz, stereo, 24-bit"), or empty for a file read as it is.
LoadOutcome loadOrConvert(const char* path, Sound& sound, std::string* note = nullptr,
                          FrameAllocator allocate = allocateFrames);

// The file name patterns ("*.wav", "*.flac", ...) of every format libsndfile reads here.
std::vector<std::string> readablePatterns();
