// Where the ring writer hands each block it has put into the ring, for the recording that runs, and
// how a recording is finished when the process ends without unwinding.
#pragma once

#include <atomic>
#include <cstdint>

class Recorder;

// One per instrument, lent to each worker through its playback context. The worker offers; the
// recorder attaches itself as it starts and detaches as it stops.
class RecordTap {
 public:
  // Worker: one load, so a worker with nothing recording pays no more.
  bool attached() const { return m_recorder.load(std::memory_order_relaxed) != nullptr; }
  // Worker: hands one block, whose first sample is `firstSample` of the stream, to the recorder
  // attached now, if any. Never waits or allocates.
  void offer(const int16_t* block, uint64_t firstSample);

  void attach(Recorder* recorder);
  // Returns once no offer can reach `recorder` any more; does nothing if another is attached.
  void detach(Recorder* recorder);

 private:
  std::atomic<Recorder*> m_recorder{nullptr};
  // Set while the worker may be using the recorder it found attached. Sequentially consistent with
  // m_recorder, so once detach has cleared the pointer and seen this clear, no offer can reach
  // the old recorder.
  std::atomic<bool> m_offering{false};
};

// Finishes the recording that runs, if any, as the process ends without unwinding (exit, or a
// device that fails to open): it keeps what was recorded under its name, or leaves nothing when
// nothing was. Registered with atexit when a recording first starts.
void finishRecordingBeforeExit();
