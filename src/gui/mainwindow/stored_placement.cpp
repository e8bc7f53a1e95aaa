#include "gui/mainwindow/stored_placement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include "core/settings/settings.h"

namespace crawlspect::ui {

void StoredPlacement::restore(const SettingsFile& file) {
  const QSize screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1280, 800);
  const WindowPlacement placement = storedPlacement(file, {screen.width(), screen.height()});
  m_window->setGeometry(placement.normal.left, placement.normal.top, placement.normal.width, placement.normal.height);
  m_maximized = placement.maximized;
  m_writer.armPlacement();
}

void StoredPlacement::show() {
  if (m_maximized)
    m_window->showMaximized();
  else
    m_window->show();
}

void StoredPlacement::save() {
  if (!m_writer.placementArmed() || !m_window->isVisible()) return;
  const WindowShowState state = m_window->isMinimized()   ? WindowShowState::Minimized
                                : m_window->isMaximized() ? WindowShowState::Maximized
                                                          : WindowShowState::Normal;
  const QRect outer = m_window->frameGeometry();
  m_writer.savePlacement(state, {outer.left(), outer.top(), outer.width(), outer.height()});
}

}  // namespace crawlspect::ui
