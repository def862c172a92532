// Where a recording's samples go: a WAV file, or a stand-in that tests provide.
#pragma once

#include <cstdint>
#include <string>

// Used by one writer thread at a time. Operations that can fail return true on success and leave
// what went wrong in error().
class RecordSink {
 public:
  virtual ~RecordSink() = default;

  // Starts the file at `path`, which is new or an empty file reserved for it.
  virtual bool open(const std::string& path) = 0;
  virtual bool write(const int16_t* samples, int count) = 0;
  // Gives the file its final sizes for `sampleCount` samples and puts it under its name.
  virtual bool finish(uint32_t sampleCount) = 0;
  // Ends an opened file that holds nothing worth keeping, and removes it.
  virtual void discard() {}
  virtual const std::string& error() const = 0;
};
