#pragma once
// The main window's place on screen: the stored one is applied when the
// window is built, and from then on every change of size is written back.
class QMainWindow;

namespace crawlspect {
class SettingsFile;
class SettingsWriter;
}  // namespace crawlspect

namespace crawlspect::ui {

class StoredPlacement {
 public:
  StoredPlacement(QMainWindow* window, SettingsWriter& writer) : m_window(window), m_writer(writer) {}

  // Gives the window the stored rectangle, to be shown maximized if it was.
  void restore(const SettingsFile& file);
  // Shows the window as it was stored: maximized, or in the stored rectangle.
  void show();
  // Writes the window's state and outer rectangle, once restored and while shown.
  void save();

 private:
  QMainWindow* m_window;
  SettingsWriter& m_writer;
  bool m_maximized = true;
};

}  // namespace crawlspect::ui
