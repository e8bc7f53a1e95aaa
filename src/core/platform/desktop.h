#pragma once
// Everything a front end's core-driven work needs of a window system: the
// hand-offs to the main thread, message boxes, the shell, the clipboard. The
// window implements it with Qt (QtDesktop); the command line and the tests
// with LoopDesktop. Core code reports absorbed failures only through the
// ProblemReporter side of it.
#include <functional>
#include <string>
#include <vector>

#include "core/platform/problem_reporter.h"

namespace crawlspect {

class Desktop : public ProblemReporter {
 public:
  virtual bool isMainThread() const = 0;
  // Runs fn on the main thread; the calling thread waits until it returned.
  // Called on the main thread, fn runs at once.
  virtual void runOnMain(std::function<void()> fn) = 0;
  // Queues fn for the main thread, in order, without waiting.
  virtual void postToMain(std::function<void()> fn) = 0;

  // A modal message box with an OK button; must be called on the main thread.
  virtual void showMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;
  virtual void beep() = 0;
  virtual void openAddress(const std::string& address) = 0;
  virtual void setClipboardText(const std::string& text) = 0;
  // Starts a new copy of this program with the given arguments.
  virtual void startProgramCopy(const std::vector<std::string>& args) = 0;
  virtual void processEvents() = 0;
  // Serves the main thread's queued work until done() holds. Whoever makes
  // done() true afterwards queues something (postToMain), and that wakes the
  // wait: nothing here polls.
  virtual void serveUntil(const std::function<bool()>& done) = 0;

  // A message box, from any thread: a crawl thread waits until it was closed.
  void reportProblem(const std::string& title, const std::string& text, MessageIcon icon = MessageIcon::None) override {
    if (isMainThread())
      showMessage(title, text, icon);
    else
      runOnMain([&] { showMessage(title, text, icon); });
  }
};

}  // namespace crawlspect
