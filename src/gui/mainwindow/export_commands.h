#pragma once
// The exports of the result lists to a CSV or text file, from the File menu
// and from the buttons under the lists: the list as it is on screen (the
// sitemap: the internal URL list as it stands), to a file the user chooses,
// the last export's name offered again.
#include <string>

#include "core/results/csv_export.h"

namespace crawlspect {
class InternalUrlList;
struct RegionalSettings;
}  // namespace crawlspect

namespace crawlspect::ui {

class FileDialogs;
class QtDesktop;
class ResultTabs;

class ExportCommands {
 public:
  ExportCommands(const InternalUrlList& list, const ResultTabs& tabs, const RegionalSettings& regional,
                 QtDesktop& desktop, const FileDialogs& files);

  // A cancelled dialog writes nothing; a failed write is shown.
  void exportList(ExportId id);

 private:
  const InternalUrlList& m_list;
  const ResultTabs& m_tabs;
  const RegionalSettings& m_regional;
  QtDesktop& m_desktop;
  const FileDialogs& m_files;
  std::string m_lastExportName;
};

}  // namespace crawlspect::ui
