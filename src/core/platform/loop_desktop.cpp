#include "core/platform/loop_desktop.h"

#include <future>

namespace crawlspect {

LoopDesktop::LoopDesktop(std::ostream* messages) : m_mainThread(std::this_thread::get_id()), m_out(messages) {}

bool LoopDesktop::isMainThread() const { return std::this_thread::get_id() == m_mainThread; }

void LoopDesktop::runOnMain(std::function<void()> fn) {
  if (isMainThread()) {
    fn();
    return;
  }
  std::promise<void> done;
  auto finished = done.get_future();
  postToMain([&] {
    try {
      fn();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  finished.get();
}

void LoopDesktop::postToMain(std::function<void()> fn) {
  {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(fn));
  }
  m_wake.notify_all();
}

int LoopDesktop::pump() {
  int ran = 0;
  for (;;) {
    std::function<void()> fn;
    {
      std::lock_guard lock(m_mutex);
      if (m_queue.empty()) return ran;
      fn = std::move(m_queue.front());
      m_queue.pop_front();
    }
    fn();
    ++ran;
  }
}

bool LoopDesktop::runUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    pump();
    if (pred()) return true;
    std::unique_lock lock(m_mutex);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    m_wake.wait_until(lock, deadline, [&] { return !m_queue.empty(); });
  }
}

void LoopDesktop::showMessage(const std::string& title, const std::string& text, MessageIcon icon) {
  {
    std::lock_guard lock(m_mutex);
    m_messages.push_back({title, text, icon});
  }
  if (m_out) *m_out << (title.empty() ? std::string() : title + ": ") << text << std::endl;
}

void LoopDesktop::beep() { ++m_beeps; }

void LoopDesktop::openAddress(const std::string& address) {
  std::lock_guard lock(m_mutex);
  m_addresses.push_back(address);
}

void LoopDesktop::setClipboardText(const std::string& text) {
  std::lock_guard lock(m_mutex);
  m_clipboard = text;
}

void LoopDesktop::startProgramCopy(const std::vector<std::string>& args) {
  std::lock_guard lock(m_mutex);
  m_copies.push_back(args);
}

std::vector<RecordedMessage> LoopDesktop::messages() const {
  std::lock_guard lock(m_mutex);
  return m_messages;
}

std::vector<std::string> LoopDesktop::openedAddresses() const {
  std::lock_guard lock(m_mutex);
  return m_addresses;
}

std::vector<std::vector<std::string>> LoopDesktop::startedCopies() const {
  std::lock_guard lock(m_mutex);
  return m_copies;
}

std::string LoopDesktop::clipboard() const {
  std::lock_guard lock(m_mutex);
  return m_clipboard;
}

}  // namespace crawlspect
