// A recording written through the WAV writer, in place under the name reserved for it.
#include "wave_file_sink.h"

// The length is not known until the recording stops, so the header starts with no samples and is
// written again at the end. The take has its name from the start and never replaces a file.
bool WaveFileSink::open(const std::string& path) {
  return m_writer.create(path, SampleFormat::kPcm16, 0);
}

bool WaveFileSink::write(const int16_t* samples, int count) {
  return m_writer.writePcm16(samples, count);
}

bool WaveFileSink::finish(uint32_t sampleCount) {
  return m_writer.setSampleCount(sampleCount) && m_writer.commit();
}
