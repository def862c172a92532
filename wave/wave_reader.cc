// Loads a 16-bit mono WAV file as floats in [-1, 1), one per frame.
#include "wave_reader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr float kSampleScale = 1.0f / 32768.0f;
// The engine interpolates between neighbouring frames, so it needs two to read.
constexpr uint32_t kMinFrames = 2;
// The sample buffer's frame count travels as a signed 32-bit integer.
constexpr uint32_t kMaxFrames = std::numeric_limits<int32_t>::max();

constexpr const char* kConvertAdvice = " (convert it to 16-bit mono)";
constexpr const char* kTooLongText = "too long (13.5 hours or more)";

std::string openErrorText(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
      return "no such file";
    case EACCES:
    case EPERM:
      return "permission denied";
    default: {
      std::string text = std::strerror(errorNumber);
      if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
      return text;
    }
  }
}

}  // namespace

WaveReader::~WaveReader() {
  close();
}

bool WaveReader::open(const char* path) {
  m_refusal = judge(file.openRead(path));
  return m_refusal.empty();
}

// The one place that decides whether a file is taken, and words the answer when it is not.
std::string WaveReader::judge(int openResult) const {
  switch (file.failure()) {
    case WaveFile::NoFailure:
    case WaveFile::BadSampleSize:
      break;
    case WaveFile::NoPath:
      return "no file given";
    case WaveFile::CannotOpen:
      return openErrorText(file.openError());
    case WaveFile::NotRegular:
      return "not a regular file";
    case WaveFile::NotWave:
      return "not a WAV file";
    case WaveFile::NoFormatChunk:
      return "no format chunk where a plain WAV file has it";
    case WaveFile::CutOff:
      return "cut off inside its header";
    case WaveFile::BadChannels:
      return std::to_string(file.getChannels()) + " channels" + kConvertAdvice;
    case WaveFile::BadRates:
      return "damaged header (its byte rate or block size disagrees with its format)";
    case WaveFile::TooLong:
      return kTooLongText;
  }
  const bool stereo = file.getChannels() != 1;
  const int bits = file.getBitsPerSample();
  if (stereo || bits != 16) {
    std::string text = stereo ? "stereo" : "";
    if (bits != 16)
      text += (stereo ? ", " : "") + std::to_string(bits) + " bits per sample";
    return text + kConvertAdvice;
  }
  if (openResult != kWaveOk)
    return "not a WAV file";
  const uint32_t n = file.getFrameCount();
  if (n < kMinFrames)
    return "fewer than two samples";
  if (n > kMaxFrames)
    return kTooLongText;
  return "";
}

bool WaveReader::readFloats(float* dst) {
  const uint32_t n = frameCount();
  // The one block read puts the 16-bit samples in the upper half of dst's own memory, and they
  // are widened in place from the front: float i ends at byte 4i + 4, never beyond sample i + 1
  // at byte 2n + 2i + 2, so every sample is read before it is overwritten. A long sound then
  // needs no second buffer, and no fresh pages to fault in.
  auto* raw = reinterpret_cast<unsigned char*>(dst) + 2 * static_cast<size_t>(n);
  uint32_t got = 0;
  file.readSamples16(reinterpret_cast<int16_t*>(raw), n, &got);
  for (uint32_t i = 0; i < got; ++i) {
    int16_t sample;
    std::memcpy(&sample, raw + 2 * static_cast<size_t>(i), sizeof sample);
    dst[i] = static_cast<float>(sample) * kSampleScale;
  }
  std::fill(dst + got, dst + n, 0.0f);
  if (got == n)
    return true;
  if (file.readError() != 0)
    m_refusal = "cannot be read (" + openErrorText(file.readError()) + ")";
  else
    m_refusal = "cut off after " + std::to_string(got) + " of " + std::to_string(n) + " samples";
  return false;
}

void WaveReader::close() {
  file.close();
}
