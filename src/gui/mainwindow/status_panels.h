#pragma once
// The status bar's panels during a run: the URLs found so far, the page's
// place in the list, and the page being loaded.
#include <cstddef>

class QLabel;
class QMainWindow;

namespace crawlspect {
struct PageProgress;
}

namespace crawlspect::ui {

class StatusPanels {
 public:
  // Builds the panels in `window`'s status bar.
  explicit StatusPanels(QMainWindow* window);

  void showPageStarted(const PageProgress& page);
  void showTotal(std::size_t total);
  // The crawl is done; the external links are being checked.
  void showExternalCheck(std::size_t links);
  // The run is over: no page is loading.
  void clearLoading();

 private:
  QLabel* m_urlTotal;
  QLabel* m_position;
  QLabel* m_loading;
};

}  // namespace crawlspect::ui
