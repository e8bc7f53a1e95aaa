#include "main/ui/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
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

void QtDesktop::setMessageSink(MessageSink sink) { messageSink() = std::move(sink); }

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
  QMessageBox box(qtIcon, QString::fromStdString(title.empty() ? std::string("Crawlspect") : title),
                  QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtDesktop::beep() { QApplication::beep(); }

void QtDesktop::openAddress(const std::string& address) {
  // Handed over as written: the lookups compose their addresses without encoding.
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address), QUrl::TolerantMode));
}

void QtDesktop::setClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void QtDesktop::startProgramCopy(const std::vector<std::string>& args) {
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  QProcess::startDetached(QCoreApplication::applicationFilePath(), list);
}

void QtDesktop::processEvents() { QCoreApplication::processEvents(); }

}  // namespace crawlspect::ui
