#include "gui/mainwindow/result_refresh.h"

#include <memory>

#include "core/crawl/internal_url_list.h"
#include "core/store/database.h"
#include "gui/qt_desktop.h"

namespace crawlspect::ui {

ResultRefresh::ResultRefresh(Database& db, const InternalUrlList& list, const RegionalSettings& regional,
                             QtDesktop& desktop, Apply apply)
    : m_db(db), m_list(list), m_regional(regional), m_desktop(desktop), m_apply(std::move(apply)) {}

ResultRefresh::~ResultRefresh() {
  if (m_thread.joinable()) m_thread.join();
}

void ResultRefresh::request() {
  if (m_busy) {
    m_again = true;
    return;
  }
  if (!m_db.isConnected()) return;
  m_busy = true;
  if (m_thread.joinable()) m_thread.join();
  m_threadDone = false;
  m_thread = std::thread([this, path = m_db.path(), regional = m_regional] {
    auto result = std::make_shared<RefreshResult>();
    Database reader;
    try {
      reader.connect(path, true);
      *result = crawlspect::refreshResults(reader, m_list, regional, m_desktop);
    } catch (const DbError& e) {
      m_desktop.reportProblem("", connectionErrorReport(e.what()));
    }
    // Done before the result is queued, so that a wait for this thread is
    // woken by the result and finds it done.
    m_threadDone = true;
    m_desktop.postToMain([this, result] {
      m_apply(*result);
      m_busy = false;
      if (m_again) {
        m_again = false;
        request();
      }
    });
  });
}

void ResultRefresh::wait() {
  // The refresh thread's last step queues its result, which wakes this wait.
  m_desktop.serveUntil([this] { return m_threadDone.load(); });
  if (m_thread.joinable()) m_thread.join();
  m_again = false;
  m_desktop.processEvents();
}

}  // namespace crawlspect::ui
