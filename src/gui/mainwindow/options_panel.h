#pragma once
// The crawl's options below the start line: the scope line (domain or
// subdomain, # anchors, page limit, link rules), always shown; the time-outs,
// the longest fetch time, parallel requests, requests per second and agent
// line, the ignored extensions and the ignored URLs, shown with "Show Options".
// The panel shows the stored options, writes each change back to the settings
// file, is locked while a run goes on, and reads its fields into the
// settings of the next run.
#include <QWidget>
#include <optional>
#include <string>

#include "core/crawl/link_intake.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;

namespace crawlspect {
struct CrawlSettings;
struct OptionValues;
class SettingsWriter;
}  // namespace crawlspect

namespace crawlspect::ui {

class OptionsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit OptionsPanel(QWidget* parent);

  // The ignored URLs box. It is not inside the panel: the window places it in
  // its splitter above the result tabs, so that the user can drag its height.
  QWidget* ignoreUrlsPanel() const { return m_ignoreUrlsPanel; }

  // "Show Options": the lines below the scope line, and the ignored URLs.
  void setMoreShown(bool shown);
  // Locked while a run goes on.
  void setEditable(bool editable);

  // Each change from now on is written to the settings file.
  void connectWriters(SettingsWriter& writer);
  // Shows the stored options; the page limit is shown without being written back.
  void showStored(const OptionValues& options);

  // Reads the fields into `settings`. A time-out (or the longest fetch time) that is not a whole number
  // gives the message to show instead, and the run must not start.
  std::optional<std::string> fillCrawlSettings(CrawlSettings& settings) const;
  // The link rules chosen for the next run.
  LinkRules linkRules() const;

 private:
  void buildScopeLine();
  void buildTimeoutsLine();
  void buildIgnoreLines();

  QWidget* m_scopeLine = nullptr;
  QRadioButton* m_domainScopeRadio = nullptr;
  QRadioButton* m_hostScopeRadio = nullptr;
  QCheckBox* m_removeAnchorsCheck = nullptr;
  QSpinBox* m_pageLimitSpin = nullptr;
  QComboBox* m_linkRulesCombo = nullptr;
  QWidget* m_timeoutsLine = nullptr;
  QLineEdit* m_connectionTimeoutEdit = nullptr;
  QLineEdit* m_responseTimeoutEdit = nullptr;
  QLineEdit* m_maxFetchTimeEdit = nullptr;
  QComboBox* m_userAgentCombo = nullptr;
  QSpinBox* m_parallelRequestsSpin = nullptr;
  QDoubleSpinBox* m_maxRateSpin = nullptr;
  QWidget* m_ignoreExtensionsLine = nullptr;
  QLineEdit* m_ignoreExtensionsEdit = nullptr;
  QCheckBox* m_checkExternalCheck = nullptr;
  QComboBox* m_robotsTxtCombo = nullptr;
  QWidget* m_ignoreUrlsPanel = nullptr;
  QPlainTextEdit* m_ignoreUrlsEdit = nullptr;
};

}  // namespace crawlspect::ui
