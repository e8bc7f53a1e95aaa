#include "platform/loop_desktop.h"

#include <future>

namespace crawlspect {

LoopDesktop::LoopDesktop(std::ostream* messages) : mainThread_(std::this_thread::get_id()), out_(messages) {}

bool LoopDesktop::isMainThread() const { return std::this_thread::get_id() == mainThread_; }

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
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(fn));
  }
  wake_.notify_all();
}

int LoopDesktop::pump() {
  int ran = 0;
  for (;;) {
    std::function<void()> fn;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return ran;
      fn = std::move(queue_.front());
      queue_.pop_front();
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
    std::unique_lock lock(mutex_);
    if (std::chrono::steady_clock::now() >= deadline) return false;
    wake_.wait_for(lock, std::chrono::milliseconds(20), [&] { return !queue_.empty(); });
  }
}

void LoopDesktop::showMessage(const std::string& title, const std::string& text, MessageIcon icon) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back({title, text, icon});
  }
  if (out_) *out_ << (title.empty() ? std::string() : title + ": ") << text << std::endl;
}

void LoopDesktop::beep() { ++beeps_; }

void LoopDesktop::openAddress(const std::string& address) {
  std::lock_guard lock(mutex_);
  addresses_.push_back(address);
}

void LoopDesktop::setClipboardText(const std::string& text) {
  std::lock_guard lock(mutex_);
  clipboard_ = text;
}

void LoopDesktop::startProgramCopy(const std::vector<std::string>& args) {
  std::lock_guard lock(mutex_);
  copies_.push_back(args);
}

std::vector<RecordedMessage> LoopDesktop::messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> LoopDesktop::openedAddresses() const {
  std::lock_guard lock(mutex_);
  return addresses_;
}

std::vector<std::vector<std::string>> LoopDesktop::startedCopies() const {
  std::lock_guard lock(mutex_);
  return copies_;
}

std::string LoopDesktop::clipboard() const {
  std::lock_guard lock(mutex_);
  return clipboard_;
}

}  // namespace crawlspect
