// A recording written as a 16-bit mono 44 100 Hz WAV file, in place under its own name.
#pragma once

#include "record_sink.h"
#include "wave_writer.h"

class WaveFileSink final : public RecordSink {
 public:
  bool open(const std::string& path) override;
  bool write(const int16_t* samples, int count) override;
  bool finish(uint32_t sampleCount) override;
  void discard() override { m_writer.discard(); }
  const std::string& error() const override { return m_writer.error(); }

 private:
  WaveWriter m_writer;
};
