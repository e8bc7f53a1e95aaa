#include "core/crawl/request_pacer.h"

#include <algorithm>
#include <cmath>

namespace crawlspect {

void RequestPacer::setRate(double perSecond) {
  std::lock_guard lock(m_lock);
  m_spacing = perSecond > 0 && std::isfinite(perSecond)
                  ? std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / perSecond))
                  : Clock::duration::zero();
  m_next = Clock::time_point{};
}

void RequestPacer::capRate(double perSecond) {
  if (!(perSecond > 0) || !std::isfinite(perSecond)) return;
  const auto spacing = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / perSecond));
  std::lock_guard lock(m_lock);
  m_spacing = std::max(m_spacing, spacing);
}

bool RequestPacer::waitTurn(const std::atomic<bool>* stop) {
  std::unique_lock lock(m_lock);
  if (m_spacing == Clock::duration::zero()) return true;
  // Turns are handed out in the order they are asked for.
  const Clock::time_point turn = std::max(m_next, Clock::now());
  m_next = turn + m_spacing;
  const bool stopped = m_wake.wait_until(lock, turn, [stop] { return stop && stop->load(); });
  return !stopped;
}

bool RequestPacer::tryTurn(Clock::time_point& due) {
  std::lock_guard lock(m_lock);
  if (m_spacing == Clock::duration::zero()) return true;
  const Clock::time_point now = Clock::now();
  if (m_next > now) {
    due = m_next;
    return false;
  }
  m_next = now + m_spacing;
  return true;
}

void RequestPacer::interrupt() {
  { std::lock_guard lock(m_lock); }
  m_wake.notify_all();
}

}  // namespace crawlspect
