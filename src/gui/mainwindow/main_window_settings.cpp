// MainWindow and its settings file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>

#include "gui/mainwindow/main_window.h"
#include "gui/mainwindow/options_panel.h"
#include "gui/mainwindow/result_list_tab.h"

namespace crawlspect::ui {

namespace {
QString qs(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

void MainWindow::applySettings() {
  const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1280, 800);
  const WindowPlacement placement = storedPlacement(m_settingsFile, {screen.width(), screen.height()});
  setGeometry(placement.normal.left, placement.normal.top, placement.normal.width, placement.normal.height);
  m_startMaximized = placement.maximized;
  m_writer.armPlacement();

  const OptionValues o = storedOptions(m_settingsFile, builtInOptions(makerHomePage(m_hosts)));
  // The controls write what they are given back to the file, as any change.
  m_writer.beginLoad();
  connect(m_startUrlEdit, &QLineEdit::textChanged, this,
          [this](const QString& t) { m_writer.saveStartUrl(t.toStdString()); });
  m_options->connectWriters(m_writer);
  m_startUrlEdit->setText(qs(o.startUrl));
  m_showOptionsCheck->setChecked(o.showOptions);
  showOptionLines();
  m_options->showStored(o);
  m_writer.endLoad();
}

void MainWindow::savePlacementNow() {
  if (!m_writer.placementArmed() || !isVisible()) return;
  const WindowShowState state = isMinimized()   ? WindowShowState::Minimized
                                : isMaximized() ? WindowShowState::Maximized
                                                : WindowShowState::Normal;
  const QRect outer = frameGeometry();
  m_writer.savePlacement(state, {outer.left(), outer.top(), outer.width(), outer.height()});
}

}  // namespace crawlspect::ui
