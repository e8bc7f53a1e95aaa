#include "gui/mainwindow/main_window.h"

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

#include "core/pagefacts/page_record.h"
#include "core/settings/settings.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/feedback_dialog.h"
#include "core/lookups/web_lookups.h"
#include "core/results/csv_export.h"
#include "gui/mainwindow/row_models.h"
#include "gui/widget_names.h"
#include "core/platform/regional.h"

namespace crawlspect::ui {

namespace {

QWidget* line(QWidget* parent, const char* name, int height) {
  auto* panel = named(new QWidget(parent), name);
  panel->setFixedHeight(height);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(6, 2, 6, 2);
  return panel;
}

}  // namespace

TAppForm::TAppForm(AppSetup setup, QWidget* parent)
    : QMainWindow(parent),
      m_setup(std::move(setup)),
      m_settingsFile((std::filesystem::path(m_setup.dataFolder) / "settings.ini").string()),
      m_hosts(ServiceHosts::from(m_settingsFile)),
      m_writer(m_settingsFile, m_desktop, "Crawlspect"),
      m_store(m_db, m_desktop, m_setup.dataFolder, m_setup.templatePath) {
  setObjectName("AppForm");
  setWindowTitle(QString::fromStdString(m_identity.captionText));
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

  m_run = std::make_unique<CrawlRun>(m_desktop, static_cast<CrawlView&>(*this), m_store, m_list, m_fetcher, RegionalSettings::fromEnvironment(),
                                    "Crawlspect");
  m_run->setPageStep([this](const std::string& url, const std::string& text) {
    return preparePageRecord(m_db, m_desktop, "Crawlspect", url, text);
  });
  m_run->startUrlChanged(Edit1->text().toStdString());
  connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& text) { m_run->startUrlChanged(text.toStdString()); });
}

TAppForm::~TAppForm() {
  m_run->shutdown();
  waitForRefresh();
  m_store.close();
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

void TAppForm::buildMenus() {
  auto* file = menuBar()->addMenu("File");
  file->setObjectName("File1");
  const auto entry = [this, file](const char* caption, const char* name, void (TAppForm::*handler)()) {
    QAction* action = file->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
  };
  entry("New Project", "NewProject1", &TAppForm::NewProject1Click);
  entry("Load Project...", "LoadProject1", &TAppForm::LoadProject1Click);
  entry("Save Project As...", "SaveProject1", &TAppForm::SaveProject1Click);
  file->addSeparator();
  for (const auto& [id, name] : {std::pair{ExportId::Sitemap, "ExportInternalLinks1"}, {ExportId::Links, "E1"},
                                 {ExportId::Titles, "ExportTitles1"}, {ExportId::Descriptions, "ExportDescriptions1"},
                                 {ExportId::H1Tags, "ExportH1Tags1"}, {ExportId::H2Tags, "ExportH2Tags1"},
                                 {ExportId::Anchors, "ExportAnchorList1"}}) {
    QAction* action = file->addAction(exportCaption(id));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, id = id] { exportList(id); });
  }
  file->addSeparator();
  connect(file->addAction("Exit"), &QAction::triggered, qApp, &QApplication::quit);

  auto* tools = menuBar()->addMenu("Tools");
  tools->setObjectName("Tools1");
  for (const auto& item : toolsMenu()) {
    auto* action = tools->addAction(QString::fromStdString(item.caption));
    action->setObjectName(QString::fromStdString(item.handler));
    connect(action, &QAction::triggered, this, [this, address = item.address] { m_desktop.openAddress(address); });
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
  auto* feedback = help->addAction("Send Feedback...");
  feedback->setObjectName("SendFeedback1");
  connect(feedback, &QAction::triggered, this,
          [this] { FeedbackDialog::showFeedback(this, m_desktop, m_identity, m_hosts); });
  auto* about = help->addAction("About...");
  about->setObjectName("About1");
  connect(about, &QAction::triggered, this, [this] { AboutDialog::showAbout(this, m_desktop, m_identity, m_hosts); });

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  buildLookupMenu(PopupMenu1, lookupMenu());
  BitBtn1->setMenu(PopupMenu1);
  // The arrow of the split button: the lookups act on the start URL field.
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] {
    if (!m_popupFromList) m_popupSource = kPopupSourceButton;
    m_popupFromList = false;
  });
  connect(ListView1, &QWidget::customContextMenuRequested, this, &TAppForm::ListView1MouseDown);
}

}  // namespace crawlspect::ui
