#pragma once
// Ctrl+C as a stop request: SIGINT is blocked in every thread and taken by one
// thread of its own, which runs the command's stop step. Made before any other
// thread starts, so that all of them inherit the blocked signal.
#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace crawlspect::cli {

class InterruptToStop {
 public:
  InterruptToStop();
  ~InterruptToStop();
  InterruptToStop(const InterruptToStop&) = delete;
  InterruptToStop& operator=(const InterruptToStop&) = delete;

  // From now on, every Ctrl+C runs onInterrupt on the signal thread: it must
  // only raise a flag or hand the work on (Desktop::postToMain).
  void watch(std::function<void()> onInterrupt);

 private:
  sigset_t m_signals{};
  sigset_t m_previousMask{};
  std::atomic<bool> m_closing{false};
  std::thread m_waiter;
};

}  // namespace crawlspect::cli
