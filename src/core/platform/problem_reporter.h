#pragma once
// Where core code hands a failure it has absorbed so that the work could go on
// with its next step: a statement that failed during a crawl or a refresh, a
// settings file that could not be written. Core code never shows anything
// itself; the window shows such a problem in a message box, the command line
// prints it on standard error as "title: text".
#include <string>

namespace crawlspect {

enum class MessageIcon { None, Information, Warning, Error };

class ProblemReporter {
 public:
  virtual ~ProblemReporter() = default;
  // From any thread; a caller off the main thread waits until it has been
  // seen, so that problems keep their order with the work around them.
  virtual void reportProblem(const std::string& title, const std::string& text,
                             MessageIcon icon = MessageIcon::None) = 0;
};

}  // namespace crawlspect
