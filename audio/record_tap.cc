// The hand-over of the worker's blocks to the recorder, without a lock on the worker's side.
#include "record_tap.h"

#include <thread>

#include "recorder.h"

void RecordTap::offer(const int16_t* block, uint64_t firstSample) {
  m_offering.store(true);
  if (Recorder* recorder = m_recorder.load()) {
    recorder->offer(block, firstSample);
  }
  m_offering.store(false, std::memory_order_release);
}

void RecordTap::attach(Recorder* recorder) {
  m_recorder.store(recorder);
}

void RecordTap::detach(Recorder* recorder) {
  Recorder* expected = recorder;
  m_recorder.compare_exchange_strong(expected, nullptr);
  while (m_offering.load()) {
    std::this_thread::yield();
  }
}
