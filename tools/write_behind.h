// Writes rendered blocks on a thread of its own, so the file is written while the next blocks
// render, in the order they were rendered.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class WaveWriter;

class WriteBehind {
 public:
  WriteBehind(WaveWriter& writer, int blockSamples);
  // Waits for the writer thread; blocks not yet written are written first.
  ~WriteBehind();
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // A block of blockSamples floats to render into, waiting while every block waits to be
  // written; null once a write has failed.
  float* acquire();
  // Hands the block last acquired, holding `count` samples, to the writer.
  void submit(int count);
  // Waits until every submitted block is written; false when a write failed (the writer's
  // error() says why).
  bool finish();

 private:
  static constexpr int kBlocks = 4;

  void run();

  WaveWriter& m_writer;
  const int m_blockSamples;
  std::unique_ptr<float[]> m_memory;
  int m_counts[kBlocks] = {};
  // Blocks are filled and written round the ring: m_filled blocks from m_next wait for the writer.
  int m_next = 0;
  int m_filled = 0;
  bool m_closing = false;
  bool m_failed = false;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::thread m_thread;
};
