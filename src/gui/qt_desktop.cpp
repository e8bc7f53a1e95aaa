#include "gui/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMessageBox>
#include <QProcess>
#include <QThread>
#include <QUrl>

namespace crawlspect::ui {

namespace {
QtDesktop::MessageSink& messageSink() {
  static QtDesktop::MessageSink sink;
  return sink;
}
}  // namespace

QString displayText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
      continue;
    }
    out += '\n';
    if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  return QString::fromStdString(out);
}

void QtDesktop::setMessageSink(MessageSink sink) { messageSink() = std::move(sink); }

namespace {
QtDesktop::ProgramCopySink& programCopySink() {
  static QtDesktop::ProgramCopySink sink;
  return sink;
}
}  // namespace

void QtDesktop::setProgramCopySink(ProgramCopySink sink) { programCopySink() = std::move(sink); }

bool QtDesktop::isMainThread() const { return QThread::currentThread() == qApp->thread(); }

void QtDesktop::runOnMain(std::function<void()> fn) {
  if (isMainThread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(qApp, std::move(fn), Qt::BlockingQueuedConnection);
}

void QtDesktop::postToMain(std::function<void()> fn) {
  QMetaObject::invokeMethod(qApp, std::move(fn), Qt::QueuedConnection);
}

void QtDesktop::showMessage(const std::string& title, const std::string& text, MessageIcon icon) {
  if (messageSink()) {
    messageSink()(title, text, icon);
    return;
  }
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  switch (icon) {
    case MessageIcon::Information:
      qtIcon = QMessageBox::Information;
      break;
    case MessageIcon::Warning:
      qtIcon = QMessageBox::Warning;
      break;
    case MessageIcon::Error:
      qtIcon = QMessageBox::Critical;
      break;
    case MessageIcon::None:
      break;
  }
  QMessageBox box(qtIcon, QString::fromStdString(title.empty() ? std::string("Crawlspect") : title), displayText(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtDesktop::beep() { QApplication::beep(); }

void QtDesktop::openAddress(const std::string& address) {
  // A file:// address names a local path as it is on disk; QUrl would read a
  // "#" or "%" in it as URL syntax.
  constexpr std::string_view kFileScheme = "file://";
  if (address.starts_with(kFileScheme)) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(address.substr(kFileScheme.size()))));
    return;
  }
  // Handed over as written: the lookups compose their addresses without encoding.
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address), QUrl::TolerantMode));
}

void QtDesktop::setClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void QtDesktop::startProgramCopy(const std::vector<std::string>& args) {
  if (programCopySink()) {
    programCopySink()(args);
    return;
  }
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  QProcess::startDetached(QCoreApplication::applicationFilePath(), list);
}

void QtDesktop::processEvents() { QCoreApplication::processEvents(); }

void QtDesktop::serveUntil(const std::function<bool()>& done) {
  // Sleeps in the event loop until the next event, which is what makes done() true.
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace crawlspect::ui
