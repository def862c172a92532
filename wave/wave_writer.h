// Writes a mono 44 100 Hz WAV file: a file under a temporary name, put in place only when
// complete, or a stream into standard output, a FIFO or a device.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

constexpr int kWaveHeaderBytes = 44;
// The output name that means standard output.
constexpr const char* kStandardOutput = "-";

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

  // Gets ready for the samples; nothing is written until the first samples or commit, so an
  // output opened and then abandoned (say, because it is the input) is left as it was. The header
  // goes first, for `sampleCount` samples unless setSampleCount changes it. "-" is standard output.
  // Otherwise `path` is followed through any symbolic links to the file they lead to (which may not
  // exist yet): an existing FIFO, device or other file that is not a regular one is written in
  // place, streaming; for anything else a temporary file is created in that file's folder. False
  // with error() set.
  bool open(const std::string& path, SampleFormat format, uint32_t sampleCount);
  // Writes into the file at `path` in place, making it when missing. It must be new or empty (a
  // name reserved for it, empty): no file with contents is ever written over. Until commit, a
  // failure or discard removes it.
  bool create(const std::string& path, SampleFormat format, uint32_t sampleCount);
  // True when the opened output is the file at `path` (the same device and inode), by whatever
  // name, link or hard link: writing it would destroy that file.
  bool overwrites(const std::string& path) const;
  // Converts and appends samples; 16-bit samples go through toPcm16.
  bool write(const float* samples, int count);
  // Appends samples that are 16-bit already, to a file opened for kPcm16.
  bool writePcm16(const int16_t* samples, int count);
  // Sets the header for `sampleCount` samples, writing it again if it is written already: for a
  // file whose length was not known when it was opened (a regular file only).
  bool setSampleCount(uint32_t sampleCount);
  // Closes the file and renames a temporary file onto the file the path given to open leads to;
  // the links stay links.
  bool commit();
  // What went wrong, naming the file.
  const std::string& error() const { return m_error; }
  // Closes without committing: the temporary file, or the file create made, is removed.
  void discard();

 private:
  void begin(const std::string& path, SampleFormat format, uint32_t sampleCount);
  bool writePendingHeader();
  bool writeBytes(const void* bytes, size_t size);
  bool fail(const std::string& what, int errorNumber);
  void noteTarget(bool exists, const struct stat& info);

  std::string m_path;
  std::string m_target;
  std::string m_tempPath;
  std::string m_createdPath;
  std::string m_error;
  SampleFormat m_format = SampleFormat::kPcm16;
  int m_fd = -1;
  bool m_headerPending = false;
  // A regular file reached through a descriptor's name is emptied before the header goes in.
  bool m_truncate = false;
  uint32_t m_sampleCount = 0;
  // Standard output is left open for whoever else writes to it.
  bool m_ownsFd = true;
  // The file that the output replaces or writes into, when there is one already.
  bool m_hasTarget = false;
  dev_t m_targetDevice = 0;
  ino_t m_targetInode = 0;
};
