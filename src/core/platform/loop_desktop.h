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

#include "core/platform/desktop.h"

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
  void serveUntil(const std::function<bool()>& done) override { runUntil(done, std::chrono::hours(24 * 365)); }

  // Runs everything queued so far; returns the number of items run.
  int pump();
  // Serves the queue until pred() holds or the time runs out; true when pred
  // held. pred is checked whenever queued work has run, so whatever makes it
  // true must queue something.
  bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = std::chrono::milliseconds(60000));

  // What happened, for tests and for the command line.
  std::vector<RecordedMessage> messages() const;
  int beeps() const { return m_beeps.load(); }
  std::vector<std::string> openedAddresses() const;
  std::vector<std::vector<std::string>> startedCopies() const;
  std::string clipboard() const;

 private:
  std::thread::id m_mainThread;
  std::ostream* m_out;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_queue;
  std::vector<RecordedMessage> m_messages;
  std::vector<std::string> m_addresses;
  std::vector<std::vector<std::string>> m_copies;
  std::string m_clipboard;
  std::atomic<int> m_beeps{0};
};

}  // namespace crawlspect
