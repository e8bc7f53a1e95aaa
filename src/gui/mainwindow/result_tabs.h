#pragma once
// The result tabs under the options: the SEO audit (the summary above the
// report), the internal URLs beside the picked page's details, the six
// grouped lists, and the response codes of every fetch. The tabs show what the crawl and each refresh hand them and
// answer the user's picks and copies themselves; their exports are announced
// for the window to carry out.
#include <QObject>
#include <array>
#include <cstddef>

#include "core/results/csv_export.h"
#include "core/results/result_lists.h"

class QTabWidget;
class QTreeView;

namespace crawlspect {
class Database;
class InternalUrlList;
}  // namespace crawlspect

namespace crawlspect::ui {

class AuditView;
class PageDetailsPane;
class ResponseCodesTab;
class QtDesktop;
class ResultListTab;
class TableModel;
class UrlListModel;

class ResultTabs : public QObject {
  Q_OBJECT
 public:
  // The tab widget and the list models are children of `window`; the caller
  // places the tab widget.
  ResultTabs(QWidget* window, Database& db, const InternalUrlList& list, QtDesktop& desktop);

  QTabWidget* widget() const { return m_tabs; }
  ResultListTab& listTab(ResultListId id) const { return *m_listTabs[static_cast<std::size_t>(id)]; }
  // The Internal URLs list follows the crawl's list through this model.
  UrlListModel& urlModel() const { return *m_urlModel; }
  // The lists, the summary and the audit of a finished refresh.
  void apply(RefreshResult& result);
  // The Found Links tab shows its links and their sources half and half
  // again once the pages were squeezed out.
  void splitFoundLinksIfSqueezed();

 signals:
  void exportRequested(ExportId id);

 private:
  void buildAuditTab(QWidget* window);
  void buildInternalUrlsTab(QWidget* window);
  void showPageDetails();

  Database& m_db;
  const InternalUrlList& m_list;
  QtDesktop& m_desktop;
  QTabWidget* m_tabs = nullptr;
  TableModel* m_summaryModel = nullptr;
  QTreeView* m_summaryView = nullptr;
  AuditView* m_auditView = nullptr;
  UrlListModel* m_urlModel = nullptr;
  QTreeView* m_internalUrlsView = nullptr;
  PageDetailsPane* m_pageDetails = nullptr;
  std::array<ResultListTab*, 6> m_listTabs{};  // by ResultListId
  ResponseCodesTab* m_responseCodes = nullptr;
};

}  // namespace crawlspect::ui
