// Recording sinks for tests: one keeps what it is given in memory and can fail on a chosen write;
// the other also holds its first write until the test lets it go.
#pragma once

#include <chrono>
#include <condition_variable>
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

// A disk that stalls: the first write waits until the test opens the gate.
class GatedSink : public MemorySink {
 public:
  bool write(const int16_t* block, int count) override {
    {
      std::unique_lock<std::mutex> lock(gateMutex);
      entered = true;
      changed.notify_all();
      changed.wait(lock, [this] { return open; });
    }
    return MemorySink::write(block, count);
  }
  bool waitUntilEntered() {
    std::unique_lock<std::mutex> lock(gateMutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [this] { return entered; });
  }
  void openGate() {
    std::lock_guard<std::mutex> lock(gateMutex);
    open = true;
    changed.notify_all();
  }

 private:
  std::mutex gateMutex;
  std::condition_variable changed;
  bool entered = false;
  bool open = false;
};
