#include "gui/mainwindow/lookup_menu.h"

#include <QAction>
#include <QFont>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "gui/mainwindow/result_list_tab.h"
#include "gui/qt_desktop.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {
QString qs(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

LookupMenu::LookupMenu(QWidget* window, QToolButton* checkButton, QLineEdit* startUrlEdit, ResultListTab& foundLinks,
                       QtDesktop& desktop)
    : m_startUrlEdit(startUrlEdit),
      m_foundLinks(foundLinks),
      m_desktop(desktop),
      m_menu(named(new QMenu(window), "lookupMenu")) {
  addItems(m_menu, lookupMenu());
  checkButton->setMenu(m_menu);
  // The arrow of the split button: the lookups act on the start URL field.
  connect(m_menu, &QMenu::aboutToShow, this, [this] {
    if (!m_openingFromFoundLinks) m_source = LookupSource::CheckButton;
    m_openingFromFoundLinks = false;
  });
  connect(&m_foundLinks, &ResultListTab::valueMenuRequested, this, &LookupMenu::showForFoundLinks);
}

void LookupMenu::addItems(QMenu* menu, const std::vector<LookupMenuItem>& items) {
  for (const auto& item : items) {
    switch (item.kind) {
      case LookupMenuItem::Kind::Separator:
        menu->addSeparator();
        break;
      case LookupMenuItem::Kind::Submenu: {
        QMenu* sub = menu->addMenu(qs(item.caption));
        sub->setObjectName(qs(item.objectName));
        addItems(sub, item.children);
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
        connect(action, &QAction::triggered, this, [this, command = item.command] { run(command); });
        break;
      }
    }
  }
}

void LookupMenu::run(LookupCommand command) {
  const std::optional<std::string> selected = m_foundLinks.selectedValue();
  if (command == LookupCommand::Check) {
    // From the Found Links list, the selected link becomes the start URL first.
    if (m_source == LookupSource::FoundLinks) {
      if (!selected) return;
      m_startUrlEdit->setText(QString::fromStdString(*selected));
    } else if (m_source != LookupSource::CheckButton) {
      return;
    }
    emit checkRequested();
    return;
  }
  const std::optional<std::string> url = lookupUrl(m_source, m_startUrlEdit->text().toStdString(), selected);
  if (command == LookupCommand::AnalyzeUrl) {
    if (url) emit analyzeRequested(*url);
    return;
  }
  runLookupCommand(command, url, m_desktop, m_linkRules ? m_linkRules() : LinkRules::Standard);
}

void LookupMenu::showForFoundLinks(const QPoint& globalPos) {
  m_source = LookupSource::FoundLinks;
  m_openingFromFoundLinks = true;
  m_menu->popup(globalPos);
}

}  // namespace crawlspect::ui
