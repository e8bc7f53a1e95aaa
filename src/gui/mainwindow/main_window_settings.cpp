// TAppForm and its settings file, the lookup menu and the Tools menu.
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

void TAppForm::applySettings() {
  const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1280, 800);
  const WindowPlacement placement = storedPlacement(m_settingsFile, {screen.width(), screen.height()});
  setGeometry(placement.normal.left, placement.normal.top, placement.normal.width, placement.normal.height);
  m_startMaximized = placement.maximized;
  m_writer.armPlacement();

  const OptionValues o = storedOptions(m_settingsFile, builtInOptions(makerHomePage(m_hosts)));
  m_writer.beginLoad();
  connectSettingsWriters();
  Edit1->setText(qs(o.startUrl));
  CheckBox1->setChecked(o.showOptions);
  CheckBox1Click();
  (o.subDomainOnly ? RadioButton2 : RadioButton1)->setChecked(true);
  CheckBox2->setChecked(o.removeAnchors);
  Edit3->setText(qs(o.connectionTimeout));
  Edit4->setText(qs(o.responseTimeout));
  ComboBox1->setCurrentText(qs(o.agent));
  Edit2->setText(qs(o.ignoreExtensions));
  Memo1->setPlainText(qs(o.ignoreUrls).replace("\r\n", "\n"));
  {
    // The stored limit is shown, not written back.
    const QSignalBlocker quiet(SpinEdit1);
    SpinEdit1->setValue(clampPageLimit(o.pageLimit));
  }
  m_writer.endLoad();
}

void TAppForm::connectSettingsWriters() {
  connect(Edit1, &QLineEdit::textChanged, this, [this](const QString& t) { m_writer.saveStartUrl(t.toStdString()); });
  connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) m_writer.saveScope(false);
  });
  connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) m_writer.saveScope(true);
  });
  connect(CheckBox2, &QCheckBox::toggled, this, [this](bool on) { m_writer.saveRemoveAnchors(on); });
  connect(Edit3, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveConnectionTimeout(t.toStdString()); });
  connect(Edit4, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveResponseTimeout(t.toStdString()); });
  connect(ComboBox1, &QComboBox::currentTextChanged, this,
          [this](const QString& t) { m_writer.saveAgent(t.toStdString()); });
  connect(Edit2, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveIgnoreExtensions(t.toStdString()); });
  connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { m_writer.saveIgnoreUrls(memoText(Memo1)); });
  // SpinEdit1Change: the integer of the text as typed, 1 for no integer.
  connect(SpinEdit1, &QSpinBox::textChanged, this,
          [this](const QString& t) { m_writer.savePageLimit(pageLimitOfText(t.toStdString())); });
}

void TAppForm::savePlacementNow() {
  if (!m_writer.placementArmed() || !isVisible()) return;
  const WindowShowState state = isMinimized()   ? WindowShowState::Minimized
                                : isMaximized() ? WindowShowState::Maximized
                                                : WindowShowState::Normal;
  const QRect outer = frameGeometry();
  m_writer.savePlacement(state, {outer.left(), outer.top(), outer.width(), outer.height()});
}

void TAppForm::buildLookupMenu(QMenu* menu, const std::vector<LookupMenuItem>& items) {
  for (const auto& item : items) {
    switch (item.kind) {
      case LookupMenuItem::Kind::Separator:
        menu->addSeparator();
        break;
      case LookupMenuItem::Kind::Submenu: {
        QMenu* sub = menu->addMenu(qs(item.caption));
        sub->setObjectName(qs(item.handler));
        buildLookupMenu(sub, item.children);
        break;
      }
      case LookupMenuItem::Kind::Command: {
        QAction* action = menu->addAction(qs(item.caption));
        action->setObjectName(qs(item.handler));
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

std::optional<std::string> TAppForm::selectedFoundLink() const {
  const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
  if (rows.isEmpty()) return std::nullopt;
  return rows.front().data().toString().toStdString();
}

void TAppForm::runLookup(LookupCommand command) {
  const std::optional<std::string> selected = selectedFoundLink();
  if (command == LookupCommand::Check) {
    const std::string link = selected.value_or("");
    m_run->Check1Click(m_popupSource, selected ? &link : nullptr);
    return;
  }
  const std::optional<std::string> url = lookupUrl(m_popupSource, Edit1->text().toStdString(), selected);
  if (command == LookupCommand::AnalyzeUrl) {
    if (url) AnalyzeURL1Click(*url);
    return;
  }
  runLookupCommand(command, url, m_desktop);
}

void TAppForm::ListView1MouseDown(const QPoint& pos) {
  m_popupSource = kPopupSourceList;
  m_popupFromList = true;
  PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
}

void TAppForm::R1Click() {
  if (QMessageBox::question(this, "Crawlspect", kRestartQuestion, QMessageBox::Yes | QMessageBox::No) !=
      QMessageBox::Yes)
    return;
  ResetToDefaults(m_desktop, m_settingsFile.path());
  QApplication::quit();
}

void TAppForm::Help2Click() { m_desktop.openAddress(onlineHelpAddress(m_hosts, m_identity.productName)); }

}  // namespace crawlspect::ui
