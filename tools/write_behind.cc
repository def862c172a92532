// Writes rendered blocks on a thread of its own, in the order they were rendered.
#include "write_behind.h"

#include "wave_writer.h"

WriteBehind::WriteBehind(WaveWriter& writer, int blockSamples)
    : m_writer(writer),
      m_blockSamples(blockSamples),
      m_memory(new float[static_cast<size_t>(blockSamples) * kBlocks]),
      m_thread(&WriteBehind::run, this) {}

WriteBehind::~WriteBehind() {
  finish();
}

float* WriteBehind::acquire() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return m_filled < kBlocks || m_failed; });
  if (m_failed) {
    return nullptr;
  }
  const int free = (m_next + m_filled) % kBlocks;
  return m_memory.get() + static_cast<size_t>(free) * m_blockSamples;
}

void WriteBehind::submit(int count) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counts[(m_next + m_filled) % kBlocks] = count;
    ++m_filled;
  }
  m_changed.notify_all();
}

bool WriteBehind::finish() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closing = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) {
    m_thread.join();
  }
  return !m_failed;
}

// The block being written stays counted as filled until it is written, so the renderer never
// gets it back while the writer reads it.
void WriteBehind::run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] { return m_filled > 0 || m_closing; });
    if (m_filled == 0) {
      return;
    }
    const int block = m_next;
    lock.unlock();
    const bool written = m_writer.write(
        m_memory.get() + static_cast<size_t>(block) * m_blockSamples, m_counts[block]);
    lock.lock();
    m_next = (m_next + 1) % kBlocks;
    --m_filled;
    if (!written) {
      m_failed = true;
      m_changed.notify_all();
      return;
    }
    m_changed.notify_all();
  }
}
