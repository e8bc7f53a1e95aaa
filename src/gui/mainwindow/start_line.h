#pragma once
// The line across the top of the window: the start URL field, the "Check"
// split button, whose caption follows the run (Check, STOP, Stopping...),
// and "Show Options". What a click starts is the window's to decide.
#include <QObject>

#include "core/crawl/crawl_run.h"

class QCheckBox;
class QLineEdit;
class QToolButton;
class QWidget;

namespace crawlspect::ui {

class StartLine : public QObject {
  Q_OBJECT
 public:
  // Builds the line in `area`; the caller places widget().
  explicit StartLine(QWidget* area);

  QWidget* widget() const { return m_line; }
  QLineEdit* urlEdit() const { return m_urlEdit; }
  QToolButton* checkButton() const { return m_checkButton; }
  QCheckBox* showOptionsCheck() const { return m_showOptionsCheck; }

  // The button's caption; it cannot be pressed while a run stops.
  void showRunState(RunState state);
  // The whole URL selected, so that typing replaces it.
  void selectUrl();

 signals:
  // The Check button, or Enter in the field.
  void checkRequested();
  void showOptionsClicked();

 private:
  QWidget* m_line;
  QLineEdit* m_urlEdit;
  QToolButton* m_checkButton;
  QCheckBox* m_showOptionsCheck;
};

}  // namespace crawlspect::ui
