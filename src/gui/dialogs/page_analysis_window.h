#pragma once
// The Analyze URL window: one page's title, description, headings, text
// version, images and source, each with its length. The window only shows
// what analyzePage computed; it is filled once and never refreshed.
#include <QWidget>
#include <string>

#include "core/crawl/page_fetcher.h"
#include "core/platform/desktop.h"
#include "core/analysis/page_analysis.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QTableWidget;
class QTabWidget;

namespace crawlspect::ui {

class TAnalyzeForm : public QWidget {
  Q_OBJECT
 public:
  // The menu command: analyses url (wait cursor meanwhile) and shows the
  // result in a new non-modal window, which deletes itself when closed.
  // Nothing happens for an empty url (nullptr).
  static TAnalyzeForm* showAnalysis(QWidget* parent, Desktop& desktop, PageFetcher& fetcher, const PageReaders& readers,
                                    const std::string& html2txtHost, const std::string& url);

  explicit TAnalyzeForm(QWidget* parent = nullptr);

  void showUrl(const std::string& url);
  void showPage(const PageAnalysis& analysis);

  // Controls, named as the tests and the rest of the program know them.
  QTabWidget* PageControl1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPlainTextEdit* Memo4 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QListWidget* ListBox2 = nullptr;
  QListWidget* ListBox3 = nullptr;
  QPlainTextEdit* Memo3 = nullptr;
  QTableWidget* ListView1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QLabel* Label8 = nullptr;   // URL
  QLabel* Label9 = nullptr;   // Title
  QLabel* Label10 = nullptr;  // Description
  QLabel* Label11 = nullptr;  // H1
  QLabel* Label13 = nullptr;  // H2
  QLabel* Label14 = nullptr;  // H3
  QLabel* Label12 = nullptr;  // Contents

 private:
  QWidget* buildAnalyzeTab();
  QWidget* buildImagesTab();
  QWidget* buildSourceTab();
  void showImages(const std::vector<ImageRow>& rows);
  void Ekle(const ImageRow& row);
};

}  // namespace crawlspect::ui
