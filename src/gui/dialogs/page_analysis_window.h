#pragma once
// The Analyze URL window: one page's title, description, headings, text
// version, images and source, each with its length. The window only shows
// what analyzePage computed; it is filled once and never refreshed.
#include <QWidget>
#include <string>

#include "core/analysis/page_analysis.h"
#include "core/crawl/page_fetcher.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QTableWidget;
class QTabWidget;

namespace crawlspect::ui {

class PageAnalysisWindow : public QWidget {
  Q_OBJECT
 public:
  // The menu command: analyses url and shows the result in a new non-modal
  // window, which deletes itself when closed. The fetches run off the GUI
  // thread under the wait cursor; the program's windows stay live meanwhile.
  // nullptr for an empty url, and when parent went away during the fetches.
  static PageAnalysisWindow* showAnalysis(QWidget* parent, PageFetcher& fetcher, const PageReaders& readers,
                                          const TextVersionService& service, const std::string& url);

  explicit PageAnalysisWindow(QWidget* parent = nullptr);

  // The window's first size, as it was designed.
  QSize sizeHint() const override;

  void showPage(const PageAnalysis& analysis);

 private:
  void showUrl(const std::string& url);
  QWidget* buildAnalyzeTab();
  QWidget* buildImagesTab();
  QWidget* buildSourceTab();
  void showImages(const std::vector<ImageRow>& rows);
  void appendImageRow(const ImageRow& row);

  QTabWidget* m_tabs = nullptr;
  QLineEdit* m_urlEdit = nullptr;
  QLineEdit* m_titleEdit = nullptr;
  QPlainTextEdit* m_descriptionEdit = nullptr;
  QListWidget* m_h1List = nullptr;
  QListWidget* m_h2List = nullptr;
  QListWidget* m_h3List = nullptr;
  QPlainTextEdit* m_contentsEdit = nullptr;
  QTableWidget* m_imagesTable = nullptr;
  QPlainTextEdit* m_sourceEdit = nullptr;
  QStatusBar* m_statusBar = nullptr;
  QLabel* m_urlCount = nullptr;
  QLabel* m_titleCount = nullptr;
  QLabel* m_descriptionCount = nullptr;
  QLabel* m_h1Count = nullptr;
  QLabel* m_h2Count = nullptr;
  QLabel* m_h3Count = nullptr;
  QLabel* m_contentsCount = nullptr;
};

}  // namespace crawlspect::ui
