// A thread that is always joined when it goes out of scope, so a test that fails an assertion
// while the thread runs reports the failure instead of terminating on a joinable std::thread.
#pragma once

#include <functional>
#include <thread>
#include <utility>

class JoiningThread {
 public:
  // `stop` runs before the join, to tell the body to end.
  template <typename Body>
  JoiningThread(Body body, std::function<void()> stop) : m_stop(std::move(stop)), m_thread(body) {}
  ~JoiningThread() {
    if (m_stop)
      m_stop();
    if (m_thread.joinable())
      m_thread.join();
  }
  JoiningThread(const JoiningThread&) = delete;
  JoiningThread& operator=(const JoiningThread&) = delete;

 private:
  std::function<void()> m_stop;
  std::thread m_thread;
};
