#pragma once
// The run's "Max requests per second": every request of a run, each redirect
// hop and each external link check included, takes a turn here, and turns
// are at least 1/rate seconds apart, whichever thread asks. No rate, no wait.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace crawlspect {

class RequestPacer {
 public:
  using Clock = std::chrono::steady_clock;

  // Requests per second; zero or less (or not a number) lifts the limit.
  void setRate(double perSecond);
  // Lowers the rate to perSecond when it is faster (or unlimited); never raises it.
  void capRate(double perSecond);
  // Waits for this request's turn. False when stop was requested before it
  // came (see interrupt()): the request must not be made.
  bool waitTurn(const std::atomic<bool>* stop);
  // Takes a turn when one is due now; otherwise says when the next is due.
  bool tryTurn(Clock::time_point& due);
  // Wakes every waitTurn, so that a stop request set before is seen at once.
  void interrupt();

 private:
  std::mutex m_lock;
  std::condition_variable m_wake;
  Clock::duration m_spacing{0};
  Clock::time_point m_next{};  // the earliest time of the next turn
};

}  // namespace crawlspect
