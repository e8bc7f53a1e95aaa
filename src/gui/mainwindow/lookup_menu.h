#pragma once
// The lookup menu: the "Check" button's arrow menu, and the same menu on a
// right-click in the Found Links list. Its commands act on the start URL
// field when opened from the button and on the picked link when opened from
// the list; it remembers which. Starting a run and analysing a page are the
// window's to do, so the menu asks for them.
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "core/lookups/web_lookups.h"

class QLineEdit;
class QMenu;
class QPoint;
class QToolButton;
class QWidget;

namespace crawlspect::ui {

class QtDesktop;
class ResultListTab;

class LookupMenu : public QObject {
  Q_OBJECT
 public:
  // The menu itself is a child of `window`, and becomes the arrow menu of `checkButton`.
  LookupMenu(QWidget* window, QToolButton* checkButton, QLineEdit* startUrlEdit, ResultListTab& foundLinks,
             QtDesktop& desktop);

 signals:
  // "Check": from the Found Links list the picked link is already in the
  // start URL field; the window starts a run, or stops the one going, as the
  // button does.
  void checkRequested();
  void analyzeRequested(const std::string& url);

 public:
  // Where the lookups read the link rules in effect (the options panel's
  // choice); the standard rules until it is set.
  void setLinkRulesSource(std::function<LinkRules()> source) { m_linkRules = std::move(source); }

 private:
  void addItems(QMenu* menu, const std::vector<LookupMenuItem>& items);
  void run(LookupCommand command);
  void showForFoundLinks(const QPoint& globalPos);

  QLineEdit* m_startUrlEdit;
  ResultListTab& m_foundLinks;
  QtDesktop& m_desktop;
  QMenu* m_menu;
  std::function<LinkRules()> m_linkRules;
  LookupSource m_source = LookupSource::None;
  // Set while the menu opens from the list, so that its aboutToShow keeps the list as the source.
  bool m_openingFromFoundLinks = false;
};

}  // namespace crawlspect::ui
