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
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

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

TAnalyzeForm* TAnalyzeForm::showAnalysis(QWidget* parent, Desktop& desktop, PageFetcher& fetcher,
                                         const PageReaders& readers, const std::string& html2txtHost,
                                         const std::string& url) {
  if (url.empty()) return nullptr;
  auto* form = new TAnalyzeForm(parent);
  form->showUrl(url);
  {
    WaitCursor wait;
    desktop.processEvents();
    form->showPage(analyzePage(url, fetcher, readers, html2txtHost));
  }
  form->show();
  return form;
}

TAnalyzeForm::TAnalyzeForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("AnalyzeForm");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Analyze URL");

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  PageControl1 = named(new QTabWidget(this), "PageControl1");
  PageControl1->addTab(buildAnalyzeTab(), "Analyze");
  PageControl1->addTab(buildImagesTab(), "Images");
  PageControl1->addTab(buildSourceTab(), "Source");
  column->addWidget(PageControl1, 1);
  StatusBar1 = named(new QStatusBar(this), "StatusBar1");
  StatusBar1->setSizeGripEnabled(false);
  column->addWidget(StatusBar1);

  resize(573, 624);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QWidget* TAnalyzeForm::buildAnalyzeTab() {
  auto* tab = named(new QWidget(PageControl1), "TabSheet1");
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

  Edit1 = named(new QLineEdit(tab), "Edit1");
  Edit1->setReadOnly(true);
  Label8 = counter(tab, "Label8");
  addRow("URL:", Edit1, Label8, 0);

  Edit2 = named(new QLineEdit(tab), "Edit2");
  Edit2->setReadOnly(true);
  Label9 = counter(tab, "Label9");
  addRow("Title:", Edit2, Label9, 0);

  Memo4 = textBox(tab, "Memo4", true);
  Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Label10 = counter(tab, "Label10");
  addRow("Description:", Memo4, Label10, 2);

  ListBox1 = named(new QListWidget(tab), "ListBox1");
  Label11 = counter(tab, "Label11");
  addRow("H1:", ListBox1, Label11, 2);
  ListBox2 = named(new QListWidget(tab), "ListBox2");
  Label13 = counter(tab, "Label13");
  addRow("H2:", ListBox2, Label13, 3);
  ListBox3 = named(new QListWidget(tab), "ListBox3");
  Label14 = counter(tab, "Label14");
  addRow("H3:", ListBox3, Label14, 3);
  halves->addWidget(top, 1);

  auto* lower = new QHBoxLayout(bottom);
  lower->setContentsMargins(0, 0, 0, 0);
  auto* contents = new QLabel("   Contents:", tab);
  contents->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  contents->setFixedWidth(captionWidth);
  lower->addWidget(contents);
  Memo3 = textBox(tab, "Memo3", false);
  Memo3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  lower->addWidget(Memo3, 1);
  Label12 = counter(tab, "Label12");
  lower->addWidget(Label12);
  halves->addWidget(bottom, 1);
  return tab;
}

QWidget* TAnalyzeForm::buildImagesTab() {
  auto* tab = named(new QWidget(PageControl1), "TabSheet2");
  auto* layout = new QVBoxLayout(tab);
  ListView1 = named(new QTableWidget(0, 3, tab), "ListView1");
  ListView1->setHorizontalHeaderLabels({"Image", "Alt", "Title"});
  ListView1->setColumnWidth(0, 300);
  ListView1->setColumnWidth(1, 100);
  ListView1->setColumnWidth(2, 100);
  ListView1->setShowGrid(true);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->verticalHeader()->hide();
  ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
  layout->addWidget(ListView1);
  return tab;
}

QWidget* TAnalyzeForm::buildSourceTab() {
  auto* tab = named(new QWidget(PageControl1), "TabSheet3");
  auto* layout = new QVBoxLayout(tab);
  Memo1 = textBox(tab, "Memo1", false);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  layout->addWidget(Memo1);
  return tab;
}

void TAnalyzeForm::showUrl(const std::string& url) {
  Edit1->setText(QString::fromStdString(url));
  Edit1->setCursorPosition(0);
}

void TAnalyzeForm::showPage(const PageAnalysis& a) {
  showUrl(a.url);
  Memo1->setPlainText(displayText(a.source));
  Edit2->setText(QString::fromStdString(a.title));
  Edit2->setCursorPosition(0);
  Memo4->setPlainText(displayText(a.description));
  fillList(ListBox1, a.h1);
  fillList(ListBox2, a.h2);
  fillList(ListBox3, a.h3);
  Memo3->setPlainText(displayText(a.contents));

  setCount(Label8, a.counters.url);
  setCount(Label9, a.counters.title);
  setCount(Label10, a.counters.description);
  setCount(Label11, a.counters.h1);
  setCount(Label13, a.counters.h2);
  setCount(Label14, a.counters.h3);
  setCount(Label12, a.counters.contents);

  showImages(a.images);
}

void TAnalyzeForm::showImages(const std::vector<ImageRow>& rows) {
  ListView1->setUpdatesEnabled(false);
  ListView1->setRowCount(0);
  for (const ImageRow& row : rows) Ekle(row);
  ListView1->setUpdatesEnabled(true);
}

void TAnalyzeForm::Ekle(const ImageRow& row) {
  const int at = ListView1->rowCount();
  ListView1->insertRow(at);
  ListView1->setItem(at, 0, new QTableWidgetItem(QString::fromStdString(row.image)));
  ListView1->setItem(at, 1, new QTableWidgetItem(QString::fromStdString(row.alt)));
  ListView1->setItem(at, 2, new QTableWidgetItem(QString::fromStdString(row.title)));
}

}  // namespace crawlspect::ui
