// Loads a 16-bit mono WAV file as floats in [-1, 1), one per frame.
#pragma once

#include <cstdint>
#include <string>

#include "wave_file.h"

class WaveReader {
 public:
  WaveReader() = default;
  virtual ~WaveReader();
  WaveReader(const WaveReader&) = delete;
  WaveReader& operator=(const WaveReader&) = delete;

  // True for a valid header of 16 bits, one channel and 2 to 2^31 - 1 frames. The file may be
  // open after either answer; close() or the destructor releases it.
  bool open(const char* path);
  // Why the last open refused its file, in plain words ("stereo (convert it to 16-bit mono)");
  // empty after an accepted file.
  const std::string& refusal() const { return m_refusal; }
  uint32_t frameCount() const { return file.getFrameCount(); }
  // Fills dst, which has room for frameCount() floats, with each sample times 2^-15. Frames a
  // failed read did not deliver are 0.0; then the answer is false and refusal() says why
  // ("cut off after 1000 of 4410 samples").
  bool readFloats(float* dst);
  void close();

 private:
  std::string judge(int openResult) const;

  WaveFile file;
  std::string m_refusal;
};
