// A recording sink for tests: keeps what it is given in memory, and can fail on a chosen write.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "record_sink.h"

// Written by the recorder's thread; read by a test once the recording has stopped.
class MemorySink : public RecordSink {
 public:
  bool open(const std::string& path) override {
    std::lock_guard<std::mutex> lock(mutex);
    samples.clear();
    openedPath = path;
    finishedCount = -1;
    writes = 0;
    return true;
  }
  bool write(const int16_t* block, int count) override {
    std::lock_guard<std::mutex> lock(mutex);
    if (++writes == failingWrite) {
      message = "cannot write " + openedPath + ": No space left on device";
      return false;
    }
    samples.insert(samples.end(), block, block + count);
    return true;
  }
  bool finish(uint32_t sampleCount) override {
    std::lock_guard<std::mutex> lock(mutex);
    finishedCount = sampleCount;
    return true;
  }
  const std::string& error() const override { return message; }

  std::mutex mutex;
  std::vector<int16_t> samples;
  std::string openedPath;
  int64_t finishedCount = -1;
  int writes = 0;
  int failingWrite = 0;
  std::string message;
};
