// The recorder: the worker's lock-free offer, the writer thread and the hand-over between them.
#include "recorder.h"

#include <chrono>
#include <cstdlib>

#include "record_sink.h"
#include "record_tap.h"

namespace {

// The recorder whose take runs, for finishRecordingBeforeExit.
std::atomic<Recorder*> g_liveRecorder{nullptr};
std::once_flag g_exitHook;

}  // namespace

void finishRecordingBeforeExit() {
  if (Recorder* recorder = g_liveRecorder.exchange(nullptr)) {
    {
      std::lock_guard<std::mutex> lock(recorder->m_mutex);
      recorder->m_dropEmpty = true;
    }
    recorder->stop();
  }
}

Recorder::Recorder(RecordSink& sink, RecordTap& tap, uint32_t maxSamples)
    : m_sink(sink), m_tap(tap), m_maxSamples(maxSamples), m_queue(kQueueBlocks, kBlockLength) {}

Recorder::~Recorder() {
  if (recording()) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_dropEmpty = true;
    }
    stop();
  }
}

bool Recorder::start(const std::string& path) {
  if (recording()) {
    m_error = "already recording";
    return false;
  }
  if (!m_sink.open(path)) {
    m_error = m_sink.error();
    return false;
  }
  m_error.clear();
  m_outcome = RecordOutcome();
  m_outcome.path = path;
  m_stopRequested = false;
  m_dropEmpty = false;
  m_closed.store(false, std::memory_order_relaxed);
  m_ended.store(false, std::memory_order_relaxed);
  m_fellBehind.store(false, std::memory_order_relaxed);
  m_gap.store(false, std::memory_order_relaxed);
  m_anyQueued = false;
  m_writer = std::thread(&Recorder::writeLoop, this);
  m_tap.attach(this);
  g_liveRecorder.store(this);
  std::call_once(g_exitHook, [] { std::atexit(finishRecordingBeforeExit); });
  return true;
}

void Recorder::requestStop() {
  if (!recording()) {
    return;
  }
  withdraw();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopRequested = true;
  }
  m_wake.notify_one();
}

RecordOutcome Recorder::stop() {
  if (!recording()) {
    return m_outcome;
  }
  requestStop();
  m_writer.join();
  Recorder* self = this;
  g_liveRecorder.compare_exchange_strong(self, nullptr);
  // A writer that ended by itself may have left blocks that the worker queued after its last
  // look; they belong to no file, and the next recording must not start with them.
  while (m_queue.front() != nullptr) {
    m_queue.pop();
  }
  return m_outcome;
}

void Recorder::offer(const int16_t* block, uint64_t firstSample) {
  if (m_closed.load(std::memory_order_relaxed)) {
    return;
  }
  if (!m_anyQueued) {
    m_firstSample.store(firstSample, std::memory_order_relaxed);
  } else if (firstSample != m_nextSample) {
    m_gap.store(true, std::memory_order_relaxed);
  }
  if (!m_queue.push(block)) {
    m_fellBehind.store(true, std::memory_order_relaxed);
    m_closed.store(true, std::memory_order_release);
    return;
  }
  m_anyQueued = true;
  m_nextSample = firstSample + kBlockLength;
}

// The writer waits on the clock or on stop(), never on the worker, which cannot signal.
void Recorder::writeLoop() {
  for (;;) {
    bool stopping = false;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait_for(lock, std::chrono::milliseconds(kWakeMs), [this] { return m_stopRequested; });
      stopping = m_stopRequested;
    }
    // Looked at before draining: every block queued before the queue closed is then in sight.
    const bool closed = m_closed.load(std::memory_order_acquire);
    drain();
    if (stopping || closed) {
      break;
    }
  }
  finish();
  m_ended.store(true, std::memory_order_release);
}

void Recorder::drain() {
  while (const int16_t* block = m_queue.front()) {
    if (m_outcome.ending == RecordEnding::kStopped) {
      if (m_outcome.sampleCount > m_maxSamples - kBlockLength) {
        m_outcome.ending = RecordEnding::kFileFull;
        m_closed.store(true, std::memory_order_relaxed);
      } else if (!m_sink.write(block, kBlockLength)) {
        m_outcome.ending = RecordEnding::kWriteFailed;
        m_outcome.error = m_sink.error();
        m_closed.store(true, std::memory_order_relaxed);
      } else {
        m_outcome.sampleCount += kBlockLength;
      }
    }
    m_queue.pop();
  }
}

void Recorder::finish() {
  // Every block the writer took was queued after these were stored.
  m_outcome.firstSample = m_firstSample.load(std::memory_order_relaxed);
  m_outcome.contiguous = !m_gap.load(std::memory_order_relaxed);
  if (m_outcome.ending == RecordEnding::kStopped && m_closed.load(std::memory_order_acquire)) {
    m_outcome.ending = RecordEnding::kDiskTooSlow;
  }
  bool dropEmpty = false;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    dropEmpty = m_dropEmpty;
  }
  if (dropEmpty && m_outcome.sampleCount == 0 && m_outcome.ending != RecordEnding::kWriteFailed) {
    m_sink.discard();
    return;
  }
  if (m_outcome.ending != RecordEnding::kWriteFailed && !m_sink.finish(m_outcome.sampleCount)) {
    m_outcome.ending = RecordEnding::kWriteFailed;
    m_outcome.error = m_sink.error();
  }
}

void Recorder::withdraw() {
  m_tap.detach(this);
}
