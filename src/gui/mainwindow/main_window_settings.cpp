// MainWindow and its settings file, the lookup menu and the Tools menu.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTreeView>
#include <QWidget>

#include "gui/mainwindow/main_window.h"
#include "gui/mainwindow/row_models.h"
#include "core/platform/text.h"

namespace crawlspect::ui {

namespace {
QString qs(const std::string& text) { return QString::fromStdString(text); }

// The multi-line box keeps "\n"; the settings and the crawl see CR LF.
std::string memoText(const QPlainTextEdit* memo) { return withCrLfBreaks(memo->toPlainText().toStdString()); }
}  // namespace

void MainWindow::applySettings() {
  const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1280, 800);
  const WindowPlacement placement = storedPlacement(m_settingsFile, {screen.width(), screen.height()});
  setGeometry(placement.normal.left, placement.normal.top, placement.normal.width, placement.normal.height);
  m_startMaximized = placement.maximized;
  m_writer.armPlacement();

  const OptionValues o = storedOptions(m_settingsFile, builtInOptions(makerHomePage(m_hosts)));
  m_writer.beginLoad();
  connectSettingsWriters();
  m_startUrlEdit->setText(qs(o.startUrl));
  m_showOptionsCheck->setChecked(o.showOptions);
  showOptionLines();
  (o.subDomainOnly ? m_hostScopeRadio : m_domainScopeRadio)->setChecked(true);
  m_removeAnchorsCheck->setChecked(o.removeAnchors);
  m_connectionTimeoutEdit->setText(qs(o.connectionTimeout));
  m_responseTimeoutEdit->setText(qs(o.responseTimeout));
  m_userAgentCombo->setCurrentText(qs(o.agent));
  m_ignoreExtensionsEdit->setText(qs(o.ignoreExtensions));
  m_ignoreUrlsEdit->setPlainText(qs(o.ignoreUrls).replace("\r\n", "\n"));
  {
    // The stored limit is shown, not written back.
    const QSignalBlocker quiet(m_pageLimitSpin);
    m_pageLimitSpin->setValue(clampPageLimit(o.pageLimit));
  }
  m_writer.endLoad();
}

void MainWindow::connectSettingsWriters() {
  connect(m_startUrlEdit, &QLineEdit::textChanged, this, [this](const QString& t) { m_writer.saveStartUrl(t.toStdString()); });
  connect(m_domainScopeRadio, &QRadioButton::toggled, this, [this](bool on) {
    if (on) m_writer.saveScope(false);
  });
  connect(m_hostScopeRadio, &QRadioButton::toggled, this, [this](bool on) {
    if (on) m_writer.saveScope(true);
  });
  connect(m_removeAnchorsCheck, &QCheckBox::toggled, this, [this](bool on) { m_writer.saveRemoveAnchors(on); });
  connect(m_connectionTimeoutEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveConnectionTimeout(t.toStdString()); });
  connect(m_responseTimeoutEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveResponseTimeout(t.toStdString()); });
  connect(m_userAgentCombo, &QComboBox::currentTextChanged, this,
          [this](const QString& t) { m_writer.saveAgent(t.toStdString()); });
  connect(m_ignoreExtensionsEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveIgnoreExtensions(t.toStdString()); });
  connect(m_ignoreUrlsEdit, &QPlainTextEdit::textChanged, this, [this] { m_writer.saveIgnoreUrls(memoText(m_ignoreUrlsEdit)); });
  // SpinEdit1Change: the integer of the text as typed, 1 for no integer.
  connect(m_pageLimitSpin, &QSpinBox::textChanged, this,
          [this](const QString& t) { m_writer.savePageLimit(pageLimitOfText(t.toStdString())); });
}

void MainWindow::savePlacementNow() {
  if (!m_writer.placementArmed() || !isVisible()) return;
  const WindowShowState state = isMinimized()   ? WindowShowState::Minimized
                                : isMaximized() ? WindowShowState::Maximized
                                                : WindowShowState::Normal;
  const QRect outer = frameGeometry();
  m_writer.savePlacement(state, {outer.left(), outer.top(), outer.width(), outer.height()});
}

void MainWindow::buildLookupMenu(QMenu* menu, const std::vector<LookupMenuItem>& items) {
  for (const auto& item : items) {
    switch (item.kind) {
      case LookupMenuItem::Kind::Separator:
        menu->addSeparator();
        break;
      case LookupMenuItem::Kind::Submenu: {
        QMenu* sub = menu->addMenu(qs(item.caption));
        sub->setObjectName(qs(item.objectName));
        buildLookupMenu(sub, item.children);
        break;
      }
      case LookupMenuItem::Kind::Command: {
        QAction* action = menu->addAction(qs(item.caption));
        action->setObjectName(qs(item.objectName));
        if (item.isDefault) {
          QFont bold = action->font();
          bold.setBold(true);
          action->setFont(bold);
        }
        connect(action, &QAction::triggered, this, [this, command = item.command] { runLookup(command); });
        break;
      }
    }
  }
}

std::optional<std::string> MainWindow::selectedFoundLink() const {
  const QModelIndexList rows = m_foundLinksView->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return rows.front().data().toString().toStdString();
}

void MainWindow::runLookup(LookupCommand command) {
  const std::optional<std::string> selected = selectedFoundLink();
  if (command == LookupCommand::Check) {
    // From the Found Links list, the selected link becomes the start URL first.
    if (m_lookupSource == LookupSource::FoundLinks) {
      if (!selected) return;
      m_startUrlEdit->setText(QString::fromStdString(*selected));
    } else if (m_lookupSource != LookupSource::CheckButton) {
      return;
    }
    toggleRun();
    return;
  }
  const std::optional<std::string> url = lookupUrl(m_lookupSource, m_startUrlEdit->text().toStdString(), selected);
  if (command == LookupCommand::AnalyzeUrl) {
    if (url) analyzeUrl(*url);
    return;
  }
  runLookupCommand(command, url, m_desktop);
}

void MainWindow::showFoundLinkMenu(const QPoint& pos) {
  m_lookupSource = LookupSource::FoundLinks;
  m_lookupMenuFromFoundLinks = true;
  m_lookupMenu->popup(m_foundLinksView->viewport()->mapToGlobal(pos));
}

void MainWindow::resetSettingsToDefaults() {
  if (QMessageBox::question(this, "Crawlspect", kRestartQuestion, QMessageBox::Yes | QMessageBox::No) !=
      QMessageBox::Yes)
    return;
  ResetToDefaults(m_desktop, m_settingsFile.path());
  QApplication::quit();
}

void MainWindow::openOnlineHelp() { m_desktop.openAddress(onlineHelpAddress(m_hosts, m_identity.productName)); }

}  // namespace crawlspect::ui
