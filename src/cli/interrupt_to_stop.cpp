#include "cli/interrupt_to_stop.h"

#include <pthread.h>

#include <ctime>

namespace crawlspect::cli {

InterruptToStop::InterruptToStop() {
  sigemptyset(&m_signals);
  sigaddset(&m_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &m_signals, &m_previousMask);
}

InterruptToStop::~InterruptToStop() {
  if (m_waiter.joinable()) {
    m_closing = true;
    pthread_kill(m_waiter.native_handle(), SIGINT);
    m_waiter.join();
  }
  // A Ctrl+C that came after the command's work is dropped rather than acted upon.
  const timespec now{};
  while (sigtimedwait(&m_signals, nullptr, &now) == SIGINT) continue;
  pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

void InterruptToStop::watch(std::function<void()> onInterrupt) {
  m_waiter = std::thread([this, onInterrupt = std::move(onInterrupt)] {
    int signal = 0;
    while (sigwait(&m_signals, &signal) == 0 && !m_closing.load()) onInterrupt();
  });
}

}  // namespace crawlspect::cli
