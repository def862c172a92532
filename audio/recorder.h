// Records what the synthesis worker plays: its blocks pass through a queue to a writer thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "block_queue.h"
#include "stream_out.h"

class RecordSink;
class RecordTap;

enum class RecordEnding {
  // Stopped by stop(): every block offered until then is in the file.
  kStopped,
  // The queue was full: the file holds every block before the first one refused.
  kDiskTooSlow,
  // The file reached the recorder's largest size and holds that much.
  kFileFull,
  // The file could not be written; nothing is kept.
  kWriteFailed,
};

struct RecordOutcome {
  RecordEnding ending = RecordEnding::kStopped;
  std::string path;
  uint32_t sampleCount = 0;
  // For kWriteFailed: what went wrong, naming the file.
  std::string error;
  // Where the first sample of the file stands in the stream the worker played, and whether the
  // file holds the stream from there without a gap.
  uint64_t firstSample = 0;
  bool contiguous = true;
};

class Recorder {
 public:
  static constexpr int kBlockLength = StreamOut::kBlockLength;
  // Four seconds of sound (690 blocks of 256 samples) that the disk may fall behind by.
  static constexpr int kQueueBlocks = 690;
  // A 16-bit WAV file holds fewer than 2^31 samples, and the panel loads no more.
  static constexpr uint32_t kMaxSamples = 0x80000000u - kBlockLength;

  // The queue is allocated here, once; starting and stopping allocate nothing for the worker. The
  // worker's blocks come through `tap`.
  Recorder(RecordSink& sink, RecordTap& tap, uint32_t maxSamples = kMaxSamples);
  // Stops a recording that still runs, waiting for its writer, and keeps its file, unless it holds
  // no sample: then nothing is left.
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Opens the sink at `path`, starts the writer thread and attaches this recorder to the tap.
  // False, with error() set, when the file cannot be made or a recording already runs.
  bool start(const std::string& path);
  // Keeps any further block from this recorder, writes what is queued and finishes the file,
  // waiting for the writer thread.
  RecordOutcome stop();
  // Keeps any further block from this recorder and tells the writer to finish the file; never
  // waits. Once ended(), stop() gives the outcome at once.
  void requestStop();
  // True from the moment the queue ran over, while the writer may still be held up by the disk.
  bool fellBehind() const { return m_fellBehind.load(std::memory_order_acquire); }
  bool recording() const { return m_writer.joinable(); }
  // True once the writer thread is done: after stop(), or by itself when the disk fell behind,
  // the file became full or a write failed. stop() then says which.
  bool ended() const { return m_ended.load(std::memory_order_acquire); }
  const std::string& error() const { return m_error; }

  // The worker's side: queues one block of kBlockLength samples, the first of them sample
  // `firstSample` of the stream, or closes the recording when the queue is full. Never waits,
  // locks, allocates or logs.
  void offer(const int16_t* block, uint64_t firstSample);

 private:
  static constexpr int kWakeMs = 20;

  void writeLoop();
  void drain();
  void finish();
  void withdraw();
  friend void finishRecordingBeforeExit();

  RecordSink& m_sink;
  RecordTap& m_tap;
  const uint32_t m_maxSamples;
  BlockQueue m_queue;
  std::thread m_writer;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  // Guarded by m_mutex.
  bool m_stopRequested = false;
  // Set by the worker when the queue is full, or by the writer when the file takes no more; the
  // worker then queues nothing, so the file never has a gap.
  std::atomic<bool> m_closed{false};
  std::atomic<bool> m_ended{false};
  std::atomic<bool> m_fellBehind{false};
  // The worker's: where the first queued block began, and where the next one must begin.
  std::atomic<uint64_t> m_firstSample{0};
  std::atomic<bool> m_gap{false};
  bool m_anyQueued = false;
  uint64_t m_nextSample = 0;
  // Guarded by m_mutex: a take with no sample is removed rather than kept (as the process ends).
  bool m_dropEmpty = false;
  // The writer thread's own while it runs.
  RecordOutcome m_outcome;
  std::string m_error;
};
