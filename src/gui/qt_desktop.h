#pragma once
// The Desktop of the window program: hand-offs to the GUI thread through Qt's
// event loop, message boxes, the shell, the clipboard.
#include <QString>
#include <functional>
#include <string_view>

#include "core/platform/desktop.h"

namespace crawlspect::ui {

// Core text for a Qt control or message box: CR LF and lone CR become "\n",
// which is the only line break Qt's text widgets take.
QString displayText(std::string_view text);

class QtDesktop : public Desktop {
 public:
  // Where message boxes go instead of the screen (window tests). Empty: real boxes.
  using MessageSink = std::function<void(const std::string& title, const std::string& text, MessageIcon icon)>;
  static void setMessageSink(MessageSink sink);
  // Where program copies go instead of being started (window tests).
  using ProgramCopySink = std::function<void(const std::vector<std::string>& args)>;
  static void setProgramCopySink(ProgramCopySink sink);

  bool isMainThread() const override;
  void runOnMain(std::function<void()> fn) override;
  void postToMain(std::function<void()> fn) override;
  void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  void beep() override;
  void openAddress(const std::string& address) override;
  void setClipboardText(const std::string& text) override;
  void startProgramCopy(const std::vector<std::string>& args) override;
  void processEvents() override;
  void serveUntil(const std::function<bool()>& done) override;
};

}  // namespace crawlspect::ui
