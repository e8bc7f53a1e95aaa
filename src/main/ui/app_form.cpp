#include "main/ui/app_form.h"

#include <QAction>
#include <filesystem>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "main/pagefacts/page_record.h"
#include "main/settings/settings.h"
#include "main/lookups/web_lookups.h"
#include "main/ui/row_models.h"
#include "platform/regional.h"

namespace crawlspect::ui {

namespace {

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QWidget* line(QWidget* parent, const char* name, int height) {
  auto* panel = named(new QWidget(parent), name);
  panel->setFixedHeight(height);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(6, 2, 6, 2);
  return panel;
}

QPlainTextEdit* readOnlyBox(QWidget* parent, const char* name, int height) {
  auto* box = named(new QPlainTextEdit(parent), name);
  box->setReadOnly(true);
  box->setMinimumHeight(height);
  return box;
}

}  // namespace

TAppForm::TAppForm(AppSetup setup, QWidget* parent)
    : QMainWindow(parent),
      setup_(std::move(setup)),
      settingsFile_((std::filesystem::path(setup_.dataFolder) / "settings.ini").string()),
      hosts_(ServiceHosts::from(settingsFile_)),
      writer_(settingsFile_, desktop_, "Crawlspect"),
      store_(db_, desktop_, setup_.dataFolder, setup_.templatePath) {
  setObjectName("AppForm");
  setWindowTitle(QString::fromStdString(identity_.captionText));
  resize(983, 545);

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  buildStartLine(central);
  column->addWidget(Panel1);
  column->addWidget(Panel2);
  buildOptionLines(central);
  column->addWidget(Panel4);
  column->addWidget(Panel5);
  column->addWidget(Splitter1, 1);
  setCentralWidget(central);

  for (int i = 0; i < 3; ++i) {
    StatusPanel[i] = named(new QLabel(this), i == 0 ? "StatusPanel0" : i == 1 ? "StatusPanel1" : "StatusPanel2");
    if (i < 2) StatusPanel[i]->setFixedWidth(i == 0 ? 200 : 100);
    if (i == 1) StatusPanel[i]->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(StatusPanel[i], i == 2 ? 1 : 0);
  }
  statusBar()->setObjectName("StatusBar1");

  buildMenus();

  TimerRefreshLinks = named(new QTimer(this), "TimerRefreshLinks");
  TimerRefreshLinks->setInterval(5000);
  connect(TimerRefreshLinks, &QTimer::timeout, this, &TAppForm::TimerRefreshLinksTimer);
  TimerEditFix = named(new QTimer(this), "TimerEditFix");
  TimerEditFix->setSingleShot(true);
  TimerEditFix->setInterval(1);
  connect(TimerEditFix, &QTimer::timeout, this, &TAppForm::TimerEditFixTimer);
  TimerEditFix->start();

  applySettings();

  run_ = std::make_unique<CrawlRun>(desktop_, static_cast<CrawlView&>(*this), store_, list_, fetcher_, RegionalSettings::fromEnvironment(),
                                    "Crawlspect");
  run_->setPageStep([this](const std::string& url, const std::string& text) {
    return preparePageRecord(db_, desktop_, "Crawlspect", url, text);
  });
  run_->startUrlChanged(Edit1->text().toStdString());
  connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& text) { run_->startUrlChanged(text.toStdString()); });
}

TAppForm::~TAppForm() {
  run_->shutdown();
  store_.close();
}

void TAppForm::buildStartLine(QWidget* area) {
  Panel1 = line(area, "Panel1", 36);
  auto* row = static_cast<QHBoxLayout*>(Panel1->layout());
  row->addWidget(new QLabel("Start URL:", Panel1));
  Edit1 = named(new QLineEdit(Panel1), "Edit1");
  QFont big = Edit1->font();
  big.setPointSizeF(big.pointSizeF() * 1.35);
  Edit1->setFont(big);
  row->addWidget(Edit1, 1);
  BitBtn1 = named(new QToolButton(Panel1), "BitBtn1");
  BitBtn1->setText("Check");
  QFont bold = BitBtn1->font();
  bold.setBold(true);
  BitBtn1->setFont(bold);
  BitBtn1->setFixedWidth(130);
  BitBtn1->setPopupMode(QToolButton::MenuButtonPopup);
  BitBtn1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  row->addWidget(BitBtn1);
  CheckBox1 = named(new QCheckBox("Show Options", Panel1), "CheckBox1");
  row->addWidget(CheckBox1);
  connect(BitBtn1, &QToolButton::clicked, this, &TAppForm::BitBtn1Click);
  connect(Edit1, &QLineEdit::returnPressed, this, &TAppForm::BitBtn1Click);
  connect(CheckBox1, &QCheckBox::clicked, this, &TAppForm::CheckBox1Click);

  Panel2 = line(area, "Panel2", 30);
  auto* scope = static_cast<QHBoxLayout*>(Panel2->layout());
  RadioButton1 = named(new QRadioButton("Domain Name", Panel2), "RadioButton1");
  RadioButton2 = named(new QRadioButton("Subdomain Name", Panel2), "RadioButton2");
  RadioButton1->setChecked(true);
  CheckBox2 = named(new QCheckBox("Remove # Anchors", Panel2), "CheckBox2");
  CheckBox2->setChecked(true);
  SpinEdit1 = named(new QSpinBox(Panel2), "SpinEdit1");
  SpinEdit1->setRange(kPageLimitMin, kPageLimitMax);
  SpinEdit1->setValue(kPageLimitBuiltIn);
  SpinEdit1->setMinimumWidth(110);
  scope->addWidget(RadioButton1);
  scope->addWidget(RadioButton2);
  scope->addSpacing(16);
  scope->addWidget(CheckBox2);
  scope->addSpacing(16);
  scope->addWidget(new QLabel("Internal URL Limit:", Panel2));
  scope->addWidget(SpinEdit1);
  scope->addStretch(1);
}

void TAppForm::buildOptionLines(QWidget* area) {
  auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
  Panel4 = line(area, "Panel4", 30);
  auto* row = static_cast<QHBoxLayout*>(Panel4->layout());
  Edit3 = named(new QLineEdit(Panel4), "Edit3");
  Edit4 = named(new QLineEdit(Panel4), "Edit4");
  for (auto* field : {Edit3, Edit4}) {
    field->setValidator(digits);
    field->setFixedWidth(70);
  }
  ComboBox1 = named(new QComboBox(Panel4), "ComboBox1");
  ComboBox1->setEditable(true);
  for (const auto preset : kAgentPresets) ComboBox1->addItem(QString::fromUtf8(preset.data(), preset.size()));
  row->addWidget(new QLabel("Connection Timeout (ms):", Panel4));
  row->addWidget(Edit3);
  row->addWidget(new QLabel("Response Timeout (ms):", Panel4));
  row->addWidget(Edit4);
  row->addWidget(new QLabel("Agent:", Panel4));
  row->addWidget(ComboBox1, 1);

  Panel5 = line(area, "Panel5", 30);
  Edit2 = named(new QLineEdit(Panel5), "Edit2");
  Panel5->layout()->addWidget(new QLabel("Ignore Extensions:", Panel5));
  Panel5->layout()->addWidget(Edit2);

  Splitter1 = named(new QSplitter(Qt::Vertical, area), "Splitter1");
  Panel7 = named(new QWidget(Splitter1), "Panel7");
  auto* memoRow = new QHBoxLayout(Panel7);
  memoRow->setContentsMargins(6, 2, 6, 2);
  Memo1 = named(new QPlainTextEdit(Panel7), "Memo1");
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* label = new QLabel("Ignore URLs:", Panel7);
  label->setAlignment(Qt::AlignTop);
  memoRow->addWidget(label);
  memoRow->addWidget(Memo1, 1);
  Panel7->setMinimumHeight(1);
  Splitter1->setHandleWidth(5);
  Splitter1->addWidget(Panel7);
  buildTabs();
  Splitter1->addWidget(PageControl1);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({40, 500});
  for (QWidget* w : {static_cast<QWidget*>(Panel4), Panel5, Panel7}) w->setVisible(false);
}

QTreeView* TAppForm::makeList(const char* name, QAbstractItemModel* model) {
  auto* view = named(new QTreeView(this), name);
  view->setModel(model);
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setAlternatingRowColors(true);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->header()->setStretchLastSection(false);
  view->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  return view;
}

void TAppForm::buildTabs() {
  PageControl1 = named(new QTabWidget(this), "PageControl1");

  // 0: SEO Audit
  summaryModel = new RowsModel({"Key", "Value"}, this);
  ListView12 = makeList("ListView12", summaryModel);
  ListView12->setHeaderHidden(true);
  Memo6 = named(new QTextEdit(this), "Memo6");
  Memo6->setReadOnly(true);
  Memo6->setLineWrapMode(QTextEdit::NoWrap);
  Memo6->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* auditSplit = named(new QSplitter(Qt::Vertical), "Splitter9");
  auditSplit->addWidget(ListView12);
  auditSplit->addWidget(Memo6);
  auditSplit->setSizes({150, 400});
  PageControl1->addTab(auditSplit, "SEO Audit");

  const auto tabWithDetail = [this](const char* caption, const char* splitterName, QTreeView* list,
                                    const char* exportCaption, const char* exportName, QWidget* detail) {
    auto* split = named(new QSplitter(Qt::Horizontal), splitterName);
    split->setHandleWidth(5);
    auto* left = new QWidget(split);
    auto* leftColumn = new QVBoxLayout(left);
    leftColumn->setContentsMargins(0, 0, 0, 0);
    leftColumn->addWidget(list, 1);
    leftColumn->addWidget(named(new QPushButton(exportCaption, left), exportName), 0, Qt::AlignLeft);
    split->addWidget(left);
    split->addWidget(detail);
    split->setStretchFactor(0, 1);
    PageControl1->addTab(split, caption);
    return split;
  };
  const auto sourcesPane = [this](const char* panelName, const char* listName, RowsModel* model, QLabel** heading,
                                  QTreeView** list) {
    auto* panel = named(new QWidget(this), panelName);
    auto* col = new QVBoxLayout(panel);
    col->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(panel);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    col->addWidget(label);
    *list = makeList(listName, model);
    col->addWidget(*list, 1);
    if (heading) *heading = label;
    return panel;
  };

  // 1: Internal URLs
  urlModel = new UrlListModel(list_, this);
  ListBox1 = makeList("ListBox1", urlModel);
  Panel3 = named(new QWidget, "Panel3");
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setWidget(Panel3);
  scroll->setMinimumWidth(270);
  auto* facts = new QVBoxLayout(Panel3);
  const auto fact = [&](const char* caption, QPlainTextEdit** box, const char* boxName, QLabel** counter,
                        const char* counterName, const char* initial) {
    facts->addWidget(new QLabel(caption, Panel3));
    *box = readOnlyBox(Panel3, boxName, 60);
    facts->addWidget(*box);
    *counter = named(new QLabel(initial, Panel3), counterName);
    facts->addWidget(*counter);
  };
  fact("Title:", &MemoTitle, "MemoTitle", &LabelTitleLength, "LabelTitleLength", "Length: 0");
  fact("META Description:", &MemoDescription, "MemoDescription", &LabelDescriptionLength, "LabelDescriptionLength",
       "Length: 0");
  fact("H1 Tags:", &MemoH1, "MemoH1", &LabelH1Count, "LabelH1Count", "0");
  fact("H2 Tags:", &MemoH2, "MemoH2", &LabelH2Count, "LabelH2Count", "0");
  auto* urlsSplit = tabWithDetail("Internal URLs", "Splitter2", ListBox1, "Export Sitemap...", "ExportSitemap", scroll);
  urlsSplit->setSizes({700, 270});

  // 2: Found Links
  linksModel = new RowsModel({"Link", "Count"}, this);
  backlinksModel = new RowsModel({"Source URL", "Anchor Text", "Type", "Follow"}, this);
  ListView1 = makeList("ListView1", linksModel);
  Panel8 = sourcesPane("Panel8", "ListView2", backlinksModel, &Label10, &ListView2);
  Label10->setObjectName("Label10");
  Panel8->layout()->addWidget(named(new QPushButton("Export Backlinks...", Panel8), "ExportBacklinks"));
  tabWithDetail("Found Links", "Splitter3", ListView1, "Export Links...", "ExportLinks", Panel8)->setSizes({500, 400});

  // 3 to 7: the grouped lists with their source URLs
  struct Grouped {
    const char* tab;
    const char* splitter;
    QStringList headers;
    const char* listName;
    RowsModel** model;
    QTreeView** list;
    QStringList detailHeaders;
    const char* detailName;
    RowsModel** detailModel;
    QTreeView** detail;
    const char* exportCaption;
    const char* exportName;
  };
  const Grouped grouped[] = {
      {"Found Titles", "Splitter4", {"Title", "Count"}, "ListView7", &titlesModel, &ListView7, {"Source URL"},
       "ListView8", &titleSourcesModel, &ListView8, "Export Titles...", "ExportTitles"},
      {"Found Descriptions", "Splitter5", {"Description", "Count"}, "ListView9", &descriptionsModel, &ListView9,
       {"Source URL"}, "ListView10", &descriptionSourcesModel, &ListView10, "Export Descriptions...",
       "ExportDescriptions"},
      {"Found H1 Tags", "Splitter6", {"H1 Tag", "Count"}, "ListView3", &h1Model, &ListView3, {"Source URL"},
       "ListView4", &h1SourcesModel, &ListView4, "Export H1 Tags...", "ExportH1"},
      {"Found H2 Tags", "Splitter7", {"H2 Tag", "Count"}, "ListView5", &h2Model, &ListView5, {"Source URL"},
       "ListView6", &h2SourcesModel, &ListView6, "Export H2 Tags...", "ExportH2"},
      {"Anchor List", "Splitter8", {"Anchor Text", "Count"}, "ListView13", &anchorsModel, &ListView13,
       {"Link URL", "Count"}, "ListView11", &anchorLinksModel, &ListView11, "Export Anchor List...", "ExportAnchors"},
  };
  for (const auto& g : grouped) {
    *g.model = new RowsModel(g.headers, this);
    *g.list = makeList(g.listName, *g.model);
    *g.detailModel = new RowsModel(g.detailHeaders, this);
    QWidget* pane = sourcesPane("", g.detailName, *g.detailModel, nullptr, g.detail);
    tabWithDetail(g.tab, g.splitter, *g.list, g.exportCaption, g.exportName, pane)->setSizes({600, 370});
  }

  PageControl1->setCurrentIndex(0);
  connect(PageControl1, &QTabWidget::currentChanged, this, &TAppForm::PageControl1Change);
}

void TAppForm::buildMenus() {
  auto* file = menuBar()->addMenu("File");
  file->setObjectName("File1");
  connect(file->addAction("New Project"), &QAction::triggered, this, &TAppForm::NewProject1Click);
  connect(file->addAction("Load Project..."), &QAction::triggered, this, &TAppForm::LoadProject1Click);
  connect(file->addAction("Save Project As..."), &QAction::triggered, this, &TAppForm::SaveProject1Click);
  file->addSeparator();
  for (const char* caption : {"Export Sitemap...", "Export Links...", "Export Titles...", "Export Descriptions...",
                              "Export H1 Tags...", "Export H2 Tags...", "Export Anchor List..."})
    file->addAction(caption)->setObjectName(caption);
  file->addSeparator();
  connect(file->addAction("Exit"), &QAction::triggered, qApp, &QApplication::quit);

  auto* tools = menuBar()->addMenu("Tools");
  tools->setObjectName("Tools1");
  for (const auto& item : toolsMenu()) {
    auto* action = tools->addAction(QString::fromStdString(item.caption));
    action->setObjectName(QString::fromStdString(item.handler));
    connect(action, &QAction::triggered, this, [this, address = item.address] { desktop_.openAddress(address); });
  }
  auto* settings = menuBar()->addMenu("Settings");
  settings->setObjectName("Settings1");
  auto* reset = settings->addAction("Reset to Defaults");
  reset->setObjectName("R1");
  connect(reset, &QAction::triggered, this, &TAppForm::R1Click);

  auto* help = menuBar()->addMenu("Help");
  help->setObjectName("Help1");
  auto* online = help->addAction("Online Help");
  online->setShortcut(Qt::Key_F1);
  connect(online, &QAction::triggered, this, &TAppForm::Help2Click);
  help->addSeparator();
  UpdateNotifications1 = help->addAction("Update Notifications");
  UpdateNotifications1->setCheckable(true);
  UpdateNotifications1->setChecked(true);
  UpdateNotifications1->setEnabled(false);
  help->addSeparator();
  help->addAction("Send Feedback...")->setObjectName("SendFeedback1");
  help->addAction("About...")->setObjectName("About1");

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  buildLookupMenu(PopupMenu1, lookupMenu());
  BitBtn1->setMenu(PopupMenu1);
  // The arrow of the split button: the lookups act on the start URL field.
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
    if (!popupFromList_) popupSource_ = kPopupSourceButton;
    popupFromList_ = false;
  });
  connect(ListView1, &QWidget::customContextMenuRequested, this, &TAppForm::ListView1MouseDown);
}

}  // namespace crawlspect::ui
