#include "gui/mainwindow/options_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>
#include <chrono>

#include "core/crawl/crawl_run.h"
#include "core/crawl/link_intake.h"
#include "core/platform/text.h"
#include "core/settings/settings.h"
#include "gui/mainwindow/widget_builders.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

// The robots.txt box's items are the crawl's modes, in order.
static_assert(static_cast<int>(RobotsMode::Report) == 0 && static_cast<int>(RobotsMode::Obey) == 1 &&
              static_cast<int>(RobotsMode::Ignore) == 2);

// The link rules box's items.
constexpr int kStandardIndex = 0;
constexpr int kClassicIndex = 1;

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The multi-line box keeps "\n"; the settings and the crawl see CR LF.
std::string boxText(const QPlainTextEdit* box) { return withCrLfBreaks(box->toPlainText().toStdString()); }

}  // namespace

OptionsPanel::OptionsPanel(QWidget* parent) : QWidget(parent) {
  setObjectName("optionsPanel");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  buildScopeLine();
  buildTimeoutsLine();
  buildIgnoreLines();
  column->addWidget(m_scopeLine);
  column->addWidget(m_timeoutsLine);
  column->addWidget(m_ignoreExtensionsLine);
  for (QWidget* w : {m_timeoutsLine, m_ignoreExtensionsLine, m_ignoreUrlsPanel}) w->setVisible(false);
}

void OptionsPanel::buildScopeLine() {
  m_scopeLine = makeLine(this, "scopeLine", 30);
  auto* scope = static_cast<QHBoxLayout*>(m_scopeLine->layout());
  m_domainScopeRadio = named(new QRadioButton("Domain Name", m_scopeLine), "domainScopeRadio");
  m_hostScopeRadio = named(new QRadioButton("Subdomain Name", m_scopeLine), "hostScopeRadio");
  m_domainScopeRadio->setChecked(true);
  m_removeAnchorsCheck = named(new QCheckBox("Remove # Anchors", m_scopeLine), "removeAnchorsCheck");
  m_removeAnchorsCheck->setChecked(true);
  m_pageLimitSpin = named(new QSpinBox(m_scopeLine), "pageLimitSpin");
  m_pageLimitSpin->setRange(kPageLimitMin, kPageLimitMax);
  m_pageLimitSpin->setValue(kPageLimitBuiltIn);
  m_pageLimitSpin->setMinimumWidth(110);
  // Standard: links and texts as a browser reads them; Classic: the original rules, kept for comparison.
  m_linkRulesCombo = named(new QComboBox(m_scopeLine), "linkRulesCombo");
  m_linkRulesCombo->addItems({"Standard", "Classic"});
  scope->addWidget(m_domainScopeRadio);
  scope->addWidget(m_hostScopeRadio);
  scope->addSpacing(16);
  scope->addWidget(m_removeAnchorsCheck);
  scope->addSpacing(16);
  scope->addWidget(new QLabel("Internal URL Limit:", m_scopeLine));
  scope->addWidget(m_pageLimitSpin);
  scope->addSpacing(16);
  scope->addWidget(new QLabel("Link rules", m_scopeLine));
  scope->addWidget(m_linkRulesCombo);
  scope->addStretch(1);
}

void OptionsPanel::buildTimeoutsLine() {
  auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
  m_timeoutsLine = makeLine(this, "timeoutsLine", 30);
  auto* row = static_cast<QHBoxLayout*>(m_timeoutsLine->layout());
  m_connectionTimeoutEdit = named(new QLineEdit(m_timeoutsLine), "connectionTimeoutEdit");
  m_responseTimeoutEdit = named(new QLineEdit(m_timeoutsLine), "responseTimeoutEdit");
  m_maxFetchTimeEdit = named(new QLineEdit(m_timeoutsLine), "maxFetchTimeEdit");
  for (auto* field : {m_connectionTimeoutEdit, m_responseTimeoutEdit, m_maxFetchTimeEdit}) {
    field->setValidator(digits);
    field->setFixedWidth(70);
  }
  m_parallelRequestsSpin = named(new QSpinBox(m_timeoutsLine), "parallelRequestsSpin");
  m_parallelRequestsSpin->setRange(1, kMaxParallelRequests);
  // 0 shows as "No limit".
  m_maxRateSpin = named(new QDoubleSpinBox(m_timeoutsLine), "maxRateSpin");
  m_maxRateSpin->setRange(0, 1000);
  m_maxRateSpin->setDecimals(1);
  m_maxRateSpin->setSpecialValueText("No limit");
  m_userAgentCombo = named(new QComboBox(m_timeoutsLine), "userAgentCombo");
  m_userAgentCombo->setEditable(true);
  for (const auto preset : kAgentPresets) m_userAgentCombo->addItem(QString::fromUtf8(preset.data(), preset.size()));
  row->addWidget(new QLabel("Connection Timeout (ms):", m_timeoutsLine));
  row->addWidget(m_connectionTimeoutEdit);
  row->addWidget(new QLabel("Response Timeout (ms):", m_timeoutsLine));
  row->addWidget(m_responseTimeoutEdit);
  row->addWidget(new QLabel("Max fetch time (ms):", m_timeoutsLine));
  row->addWidget(m_maxFetchTimeEdit);
  row->addWidget(new QLabel("Parallel requests", m_timeoutsLine));
  row->addWidget(m_parallelRequestsSpin);
  row->addWidget(new QLabel("Max requests per second", m_timeoutsLine));
  row->addWidget(m_maxRateSpin);
  row->addWidget(new QLabel("Agent:", m_timeoutsLine));
  row->addWidget(m_userAgentCombo, 1);
}

void OptionsPanel::buildIgnoreLines() {
  m_ignoreExtensionsLine = makeLine(this, "ignoreExtensionsLine", 30);
  m_ignoreExtensionsEdit = named(new QLineEdit(m_ignoreExtensionsLine), "ignoreExtensionsEdit");
  m_ignoreExtensionsLine->layout()->addWidget(new QLabel("Ignore Extensions:", m_ignoreExtensionsLine));
  m_ignoreExtensionsLine->layout()->addWidget(m_ignoreExtensionsEdit);
  // Off at every start: a check of every external link can take long.
  m_checkExternalCheck = named(new QCheckBox("Check external links", m_ignoreExtensionsLine), "checkExternalCheck");
  m_ignoreExtensionsLine->layout()->addWidget(m_checkExternalCheck);
  // Report, Obey or Ignore, in the order of the crawl's RobotsMode.
  m_robotsTxtCombo = named(new QComboBox(m_ignoreExtensionsLine), "robotsTxtCombo");
  for (const char* choice : kRobotsTxtChoices) m_robotsTxtCombo->addItem(choice);
  m_ignoreExtensionsLine->layout()->addWidget(new QLabel("robots.txt", m_ignoreExtensionsLine));
  m_ignoreExtensionsLine->layout()->addWidget(m_robotsTxtCombo);

  m_ignoreUrlsPanel = named(new QWidget(this), "ignoreUrlsPanel");
  auto* row = new QHBoxLayout(m_ignoreUrlsPanel);
  row->setContentsMargins(6, 2, 6, 2);
  m_ignoreUrlsEdit = named(new QPlainTextEdit(m_ignoreUrlsPanel), "ignoreUrlsEdit");
  m_ignoreUrlsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* label = new QLabel("Ignore URLs:", m_ignoreUrlsPanel);
  label->setAlignment(Qt::AlignTop);
  row->addWidget(label);
  row->addWidget(m_ignoreUrlsEdit, 1);
  m_ignoreUrlsPanel->setMinimumHeight(1);
}

void OptionsPanel::setMoreShown(bool shown) {
  if (shown) {
    m_timeoutsLine->setVisible(true);
    m_ignoreExtensionsLine->setVisible(true);
    m_ignoreUrlsPanel->setVisible(true);
  } else {
    m_ignoreUrlsPanel->setVisible(false);
    m_ignoreExtensionsLine->setVisible(false);
    m_timeoutsLine->setVisible(false);
  }
}

void OptionsPanel::setEditable(bool editable) {
  for (QWidget* w : {m_scopeLine, m_timeoutsLine, m_ignoreExtensionsLine, m_ignoreUrlsPanel}) w->setEnabled(editable);
}

void OptionsPanel::connectWriters(SettingsWriter& writer) {
  connect(m_domainScopeRadio, &QRadioButton::toggled, this, [&writer](bool on) {
    if (on) writer.saveScope(false);
  });
  connect(m_hostScopeRadio, &QRadioButton::toggled, this, [&writer](bool on) {
    if (on) writer.saveScope(true);
  });
  connect(m_removeAnchorsCheck, &QCheckBox::toggled, this, [&writer](bool on) { writer.saveRemoveAnchors(on); });
  connect(m_checkExternalCheck, &QCheckBox::toggled, this, [&writer](bool on) { writer.saveCheckExternalLinks(on); });
  connect(m_connectionTimeoutEdit, &QLineEdit::textChanged, this,
          [&writer](const QString& t) { writer.saveConnectionTimeout(t.toStdString()); });
  connect(m_responseTimeoutEdit, &QLineEdit::textChanged, this,
          [&writer](const QString& t) { writer.saveResponseTimeout(t.toStdString()); });
  connect(m_maxFetchTimeEdit, &QLineEdit::textChanged, this,
          [&writer](const QString& t) { writer.saveMaxFetchTime(t.toStdString()); });
  connect(m_userAgentCombo, &QComboBox::currentTextChanged, this,
          [&writer](const QString& t) { writer.saveAgent(t.toStdString()); });
  connect(m_ignoreExtensionsEdit, &QLineEdit::textChanged, this,
          [&writer](const QString& t) { writer.saveIgnoreExtensions(t.toStdString()); });
  connect(m_ignoreUrlsEdit, &QPlainTextEdit::textChanged, this,
          [this, &writer] { writer.saveIgnoreUrls(boxText(m_ignoreUrlsEdit)); });
  // Each keystroke counts: the integer of the text as typed, 1 for none.
  connect(m_pageLimitSpin, &QSpinBox::textChanged, this,
          [&writer](const QString& t) { writer.savePageLimit(pageLimitOfText(t.toStdString())); });
  connect(m_parallelRequestsSpin, &QSpinBox::valueChanged, this,
          [&writer](int count) { writer.saveParallelRequests(count); });
  connect(m_maxRateSpin, &QDoubleSpinBox::valueChanged, this,
          [&writer](double rate) { writer.saveMaxRequestsPerSecond(rate); });
  connect(m_linkRulesCombo, &QComboBox::currentIndexChanged, this,
          [&writer](int index) { writer.saveLinkRules(index == kClassicIndex); });
  connect(m_robotsTxtCombo, &QComboBox::currentIndexChanged, this,
          [&writer](int index) { writer.saveRobotsTxt(index); });
}

void OptionsPanel::showStored(const OptionValues& options) {
  (options.subDomainOnly ? m_hostScopeRadio : m_domainScopeRadio)->setChecked(true);
  m_removeAnchorsCheck->setChecked(options.removeAnchors);
  m_checkExternalCheck->setChecked(options.checkExternalLinks);
  m_connectionTimeoutEdit->setText(qs(options.connectionTimeout));
  m_responseTimeoutEdit->setText(qs(options.responseTimeout));
  m_maxFetchTimeEdit->setText(qs(options.maxFetchTime));
  m_userAgentCombo->setCurrentText(qs(options.agent));
  m_ignoreExtensionsEdit->setText(qs(options.ignoreExtensions));
  m_ignoreUrlsEdit->setPlainText(qs(options.ignoreUrls).replace("\r\n", "\n"));
  m_linkRulesCombo->setCurrentIndex(options.classicLinkRules ? kClassicIndex : kStandardIndex);
  m_parallelRequestsSpin->setValue(options.parallelRequests);
  m_maxRateSpin->setValue(options.maxRequestsPerSecond);
  m_robotsTxtCombo->setCurrentIndex(options.robotsTxt);
  // The stored limit is shown, not written back.
  const QSignalBlocker quiet(m_pageLimitSpin);
  m_pageLimitSpin->setValue(clampPageLimit(options.pageLimit));
}

std::optional<std::string> OptionsPanel::fillCrawlSettings(CrawlSettings& settings) const {
  for (const auto& [edit, timeout] : {std::pair{m_connectionTimeoutEdit, &settings.connectionTimeout},
                                      std::pair{m_responseTimeoutEdit, &settings.responseTimeout},
                                      std::pair{m_maxFetchTimeEdit, &settings.maxFetchTime}}) {
    const std::string text = edit->text().toStdString();
    int ms = 0;
    if (!parseInt32(text, ms)) return "'" + text + "' is not a valid integer value";
    *timeout = std::chrono::milliseconds(ms);
  }
  settings.scope = m_domainScopeRadio->isChecked() ? CrawlScope::Domain
                   : m_hostScopeRadio->isChecked() ? CrawlScope::Subdomain
                                                   : CrawlScope::None;
  settings.pageLimit = m_pageLimitSpin->value();
  settings.removeAnchors = m_removeAnchorsCheck->isChecked();
  settings.ignoreExtensions = m_ignoreExtensionsEdit->text().toStdString();
  settings.ignoreUrlPrefixes = ignoreUrlLines(m_ignoreUrlsEdit->toPlainText().toStdString());
  settings.userAgent = m_userAgentCombo->currentText().toStdString();
  settings.linkRules = linkRules();
  settings.checkExternalLinks = m_checkExternalCheck->isChecked();
  settings.parallelRequests = m_parallelRequestsSpin->value();
  settings.maxRequestsPerSecond = m_maxRateSpin->value();
  settings.robots = static_cast<RobotsMode>(m_robotsTxtCombo->currentIndex());
  return std::nullopt;
}

LinkRules OptionsPanel::linkRules() const {
  return m_linkRulesCombo->currentIndex() == kClassicIndex ? LinkRules::Classic : LinkRules::Standard;
}

}  // namespace crawlspect::ui
