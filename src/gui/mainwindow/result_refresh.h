#pragma once
// The refresh of the result lists: the grouped statements read a second
// connection on a thread of their own, so that a refresh of a large project
// never holds up the window; the finished lists are handed to the window on
// its own thread. A refresh asked for while one runs is run once after it.
#include <atomic>
#include <functional>
#include <thread>

#include "core/platform/regional.h"
#include "core/results/result_lists.h"

namespace crawlspect {
class Database;
class InternalUrlList;
}  // namespace crawlspect

namespace crawlspect::ui {

class QtDesktop;

class ResultRefresh {
 public:
  using Apply = std::function<void(RefreshResult& result)>;
  ResultRefresh(Database& db, const InternalUrlList& list, const RegionalSettings& regional, QtDesktop& desktop,
                Apply apply);
  ~ResultRefresh();

  // Starts a refresh, or marks one to follow the refresh under way. Nothing
  // without a project open.
  void request();
  // Until the refresh under way is shown; the one marked to follow is dropped.
  void wait();
  // True while a refresh is being computed away from this thread.
  bool running() const { return m_busy; }

 private:
  Database& m_db;
  const InternalUrlList& m_list;
  const RegionalSettings& m_regional;
  QtDesktop& m_desktop;
  Apply m_apply;
  bool m_busy = false;
  bool m_again = false;
  std::thread m_thread;
  std::atomic<bool> m_threadDone{true};
};

}  // namespace crawlspect::ui
