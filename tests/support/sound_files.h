// Test helper: sound files of any format libsndfile writes, written in code into a temp folder.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testwav {

// Writes `frames` frames of `channels` interleaved 32-bit samples (full scale 2^31, scaled to
// the format's own width by libsndfile) and returns whether every frame was written.
inline bool writeSound(const std::string& path, int format, int channels, int sampleRate,
                       const std::vector<int32_t>& interleaved) {
  SF_INFO info{};
  info.format = format;
  info.channels = channels;
  info.samplerate = sampleRate;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr)
    return false;
  // Into a float file too, 2^31 is full scale.
  sf_command(file, SFC_SET_SCALE_INT_FLOAT_WRITE, nullptr, SF_TRUE);
  const sf_count_t frames = static_cast<sf_count_t>(interleaved.size()) / channels;
  const bool written = sf_writef_int(file, interleaved.data(), frames) == frames;
  return sf_close(file) == 0 && written;
}

// `frames` frames whose every channel holds its own constant: channel c holds values[c].
inline std::vector<int32_t> constantFrames(int frames, const std::vector<int32_t>& values) {
  std::vector<int32_t> out;
  out.reserve(static_cast<size_t>(frames) * values.size());
  for (int i = 0; i < frames; ++i) out.insert(out.end(), values.begin(), values.end());
  return out;
}

}  // namespace testwav
