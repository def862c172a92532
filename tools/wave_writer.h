// Writes a mono 44 100 Hz WAV file under a temporary name and puts it in place only when complete.
#pragma once

#include <cstdint>
#include <string>

constexpr int kWaveHeaderBytes = 44;

enum class SampleFormat { kPcm16, kFloat32 };

// The canonical 44-byte header for `sampleCount` mono samples at 44 100 Hz.
void waveHeader(SampleFormat format, uint32_t sampleCount, uint8_t (&header)[kWaveHeaderBytes]);

class WaveWriter {
 public:
  WaveWriter() = default;
  // A writer that was not committed removes its temporary file.
  ~WaveWriter();
  WaveWriter(const WaveWriter&) = delete;
  WaveWriter& operator=(const WaveWriter&) = delete;

  // Follows `path` through any symbolic links to the file they lead to (which may not exist yet),
  // creates a temporary file in that file's folder and writes the header. False with error() set.
  bool open(const std::string& path, SampleFormat format, uint32_t sampleCount);
  // Converts and appends samples; 16-bit samples go through toPcm16.
  bool write(const float* samples, int count);
  // Closes the file and renames it onto the file the path given to open leads to; the links stay.
  bool commit();
  // What went wrong, naming the file.
  const std::string& error() const { return m_error; }

 private:
  bool writeBytes(const void* bytes, size_t size);
  bool fail(const std::string& what, int errorNumber);
  void discard();

  std::string m_path;
  std::string m_target;
  std::string m_tempPath;
  std::string m_error;
  SampleFormat m_format = SampleFormat::kPcm16;
  int m_fd = -1;
};
