#include "gui/dialogs/page_analysis_window.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/dialogs/worker_call.h"
#include "gui/qt_desktop.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

QLabel* counter(QWidget* parent, const char* name) {
  auto* label = named(new QLabel("0", parent), name);
  label->setAlignment(Qt::AlignRight | Qt::AlignTop);
  label->setContentsMargins(0, 3, 0, 0);  // level with the text of the control beside it
  label->setMinimumWidth(44);
  return label;
}

QPlainTextEdit* textBox(QWidget* parent, const char* name, bool wrap) {
  auto* box = named(new QPlainTextEdit(parent), name);
  box->setReadOnly(true);
  box->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  // Page source and the text rendering keep their columns in a fixed-pitch font.
  if (!wrap) box->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return box;
}

void setCount(QLabel* label, std::size_t n) { label->setText(QString::number(n)); }

void fillList(QListWidget* list, const std::vector<std::string>& entries) {
  list->clear();
  for (const std::string& e : entries) list->addItem(QString::fromStdString(e));
}

// Restores the normal pointer however the work ends.
struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

PageAnalysisWindow* PageAnalysisWindow::showAnalysis(QWidget* parent, PageFetcher& fetcher, const PageReaders& readers,
                                                     const TextVersionService& service, const std::string& url) {
  if (url.empty()) return nullptr;
  const QPointer<QWidget> owner(parent);
  PageAnalysis analysis;
  {
    WaitCursor wait;
    analysis = callOnWorker([&] { return analyzePage(url, fetcher, readers, service); });
  }
  if (parent && !owner) return nullptr;  // the window that asked is gone, and this one would go with it
  auto* window = new PageAnalysisWindow(parent);
  window->showPage(analysis);
  window->show();
  return window;
}

PageAnalysisWindow::PageAnalysisWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("pageAnalysisWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Analyze URL");

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  m_tabs = named(new QTabWidget(this), "tabs");
  m_tabs->addTab(buildAnalyzeTab(), "Analyze");
  m_tabs->addTab(buildImagesTab(), "Images");
  m_tabs->addTab(buildSourceTab(), "Source");
  column->addWidget(m_tabs, 1);
  m_statusBar = named(new QStatusBar(this), "statusBar");
  m_statusBar->setSizeGripEnabled(false);
  column->addWidget(m_statusBar);

  // The first size is the designed one; the window is placed by it, in the
  // middle of the screen, before it is shown.
  resize(sizeHint());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QSize PageAnalysisWindow::sizeHint() const { return {573, 624}; }

QWidget* PageAnalysisWindow::buildAnalyzeTab() {
  auto* tab = named(new QWidget(m_tabs), "analyzeTab");
  auto* halves = new QVBoxLayout(tab);
  // Two halves of equal height whatever their controls would like.
  const auto half = [tab] {
    auto* area = new QWidget(tab);
    area->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Ignored);
    return area;
  };
  QWidget* top = half();
  QWidget* bottom = half();

  // One caption column for both halves, so all the fields start at one edge.
  const int captionWidth = fontMetrics().horizontalAdvance("Description:") + 8;

  auto* upper = new QGridLayout(top);
  upper->setContentsMargins(0, 0, 0, 0);
  upper->setColumnStretch(1, 1);
  int row = 0;
  const auto addRow = [&](const char* caption, QWidget* control, QLabel* count, int stretch) {
    auto* label = new QLabel(caption, tab);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setContentsMargins(0, 3, 0, 0);
    label->setFixedWidth(captionWidth);
    upper->addWidget(label, row, 0);
    upper->addWidget(control, row, 1);
    upper->addWidget(count, row, 2);
    upper->setRowStretch(row, stretch);
    ++row;
  };

  m_urlEdit = named(new QLineEdit(tab), "urlEdit");
  m_urlEdit->setReadOnly(true);
  m_urlCount = counter(tab, "urlCount");
  addRow("URL:", m_urlEdit, m_urlCount, 0);

  m_titleEdit = named(new QLineEdit(tab), "titleEdit");
  m_titleEdit->setReadOnly(true);
  m_titleCount = counter(tab, "titleCount");
  addRow("Title:", m_titleEdit, m_titleCount, 0);

  m_descriptionEdit = textBox(tab, "descriptionEdit", true);
  m_descriptionEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_descriptionCount = counter(tab, "descriptionCount");
  addRow("Description:", m_descriptionEdit, m_descriptionCount, 2);

  m_h1List = named(new QListWidget(tab), "h1List");
  m_h1Count = counter(tab, "h1Count");
  addRow("H1:", m_h1List, m_h1Count, 2);
  m_h2List = named(new QListWidget(tab), "h2List");
  m_h2Count = counter(tab, "h2Count");
  addRow("H2:", m_h2List, m_h2Count, 3);
  m_h3List = named(new QListWidget(tab), "h3List");
  m_h3Count = counter(tab, "h3Count");
  addRow("H3:", m_h3List, m_h3Count, 3);
  halves->addWidget(top, 1);

  auto* lower = new QHBoxLayout(bottom);
  lower->setContentsMargins(0, 0, 0, 0);
  auto* contents = new QLabel("   Contents:", tab);
  contents->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  contents->setFixedWidth(captionWidth);
  lower->addWidget(contents);
  m_contentsEdit = textBox(tab, "contentsEdit", false);
  m_contentsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_contentsEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  lower->addWidget(m_contentsEdit, 1);
  m_contentsCount = counter(tab, "contentsCount");
  lower->addWidget(m_contentsCount);
  halves->addWidget(bottom, 1);
  return tab;
}

QWidget* PageAnalysisWindow::buildImagesTab() {
  auto* tab = named(new QWidget(m_tabs), "imagesTab");
  auto* layout = new QVBoxLayout(tab);
  m_imagesTable = named(new QTableWidget(0, 3, tab), "imagesTable");
  m_imagesTable->setHorizontalHeaderLabels({"Image", "Alt", "Title"});
  m_imagesTable->setColumnWidth(0, 300);
  m_imagesTable->setColumnWidth(1, 100);
  m_imagesTable->setColumnWidth(2, 100);
  m_imagesTable->setShowGrid(true);
  m_imagesTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_imagesTable->setSelectionMode(QAbstractItemView::SingleSelection);
  m_imagesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_imagesTable->verticalHeader()->hide();
  m_imagesTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  m_imagesTable->verticalHeader()->setDefaultSectionSize(m_imagesTable->fontMetrics().height() + 6);
  layout->addWidget(m_imagesTable);
  return tab;
}

QWidget* PageAnalysisWindow::buildSourceTab() {
  auto* tab = named(new QWidget(m_tabs), "sourceTab");
  auto* layout = new QVBoxLayout(tab);
  m_sourceEdit = textBox(tab, "sourceEdit", false);
  m_sourceEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_sourceEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(m_sourceEdit);
  return tab;
}

void PageAnalysisWindow::showUrl(const std::string& url) {
  m_urlEdit->setText(QString::fromStdString(url));
  m_urlEdit->setCursorPosition(0);
}

void PageAnalysisWindow::showPage(const PageAnalysis& a) {
  showUrl(a.url);
  m_sourceEdit->setPlainText(displayText(a.source));
  m_titleEdit->setText(QString::fromStdString(a.title));
  m_titleEdit->setCursorPosition(0);
  m_descriptionEdit->setPlainText(displayText(a.description));
  fillList(m_h1List, a.h1);
  fillList(m_h2List, a.h2);
  fillList(m_h3List, a.h3);
  m_contentsEdit->setPlainText(displayText(a.contents));

  setCount(m_urlCount, a.counters.url);
  setCount(m_titleCount, a.counters.title);
  setCount(m_descriptionCount, a.counters.description);
  setCount(m_h1Count, a.counters.h1);
  setCount(m_h2Count, a.counters.h2);
  setCount(m_h3Count, a.counters.h3);
  setCount(m_contentsCount, a.counters.contents);

  showImages(a.images);
}

void PageAnalysisWindow::showImages(const std::vector<ImageRow>& rows) {
  m_imagesTable->setUpdatesEnabled(false);
  m_imagesTable->setRowCount(0);
  for (const ImageRow& row : rows) appendImageRow(row);
  m_imagesTable->setUpdatesEnabled(true);
}

void PageAnalysisWindow::appendImageRow(const ImageRow& row) {
  const int at = m_imagesTable->rowCount();
  m_imagesTable->insertRow(at);
  m_imagesTable->setItem(at, 0, new QTableWidgetItem(QString::fromStdString(row.image)));
  m_imagesTable->setItem(at, 1, new QTableWidgetItem(QString::fromStdString(row.alt)));
  m_imagesTable->setItem(at, 2, new QTableWidgetItem(QString::fromStdString(row.title)));
}

}  // namespace crawlspect::ui
