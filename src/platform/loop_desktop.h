#pragma once
// A Desktop without a window: the thread that created it is the main thread and
// serves the queued work whenever it calls pump() or runUntil(). Used by the
// command line program (messages go to a stream) and by the tests (messages,
// beeps, addresses and clipboard texts are recorded).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop.h"

namespace crawlspect {

struct RecordedMessage {
  std::string title;
  std::string text;
  MessageIcon icon;
};

class LoopDesktop : public Desktop {
 public:
  // messages, when given, receives every message as "title: text" lines.
  explicit LoopDesktop(std::ostream* messages = nullptr);

  bool isMainThread() const override;
  void runOnMain(std::function<void()> fn) override;
  void postToMain(std::function<void()> fn) override;
  void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  void beep() override;
  void openAddress(const std::string& address) override;
  void setClipboardText(const std::string& text) override;
  void startProgramCopy(const std::vector<std::string>& args) override;
  void processEvents() override { pump(); }

  // Runs everything queued so far; returns the number of items run.
  int pump();
  // Serves the queue until pred() holds or the time runs out; true when pred held.
  bool runUntil(const std::function<bool()>& pred,
                std::chrono::milliseconds limit = std::chrono::milliseconds(60000));

  // What happened, for tests and for the command line.
  std::vector<RecordedMessage> messages() const;
  int beeps() const { return beeps_.load(); }
  std::vector<std::string> openedAddresses() const;
  std::vector<std::vector<std::string>> startedCopies() const;
  std::string clipboard() const;

 private:
  std::thread::id mainThread_;
  std::ostream* out_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> queue_;
  std::vector<RecordedMessage> messages_;
  std::vector<std::string> addresses_;
  std::vector<std::vector<std::string>> copies_;
  std::string clipboard_;
  std::atomic<int> beeps_{0};
};

}  // namespace crawlspect
