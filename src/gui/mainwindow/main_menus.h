#pragma once
// The window's menu bar: File (the project files, the exports, Exit), Tools
// (web pages opened in the browser), Settings (back to the defaults) and Help (online
// help, feedback, about). The commands are carried out here, the exports by
// ExportCommands.
#include <QObject>
#include <string>

class QMainWindow;
class QMenuBar;

namespace crawlspect {
struct ProgramIdentity;
class ProjectStore;
struct ServiceHosts;
}  // namespace crawlspect

namespace crawlspect::ui {

class ExportCommands;
class FileDialogs;
class QtDesktop;

class MainMenus : public QObject {
  Q_OBJECT
 public:
  // Builds the menus in `window`'s menu bar; the dialogs they open are the window's.
  MainMenus(QMainWindow* window, QtDesktop& desktop, const ProgramIdentity& identity, const ServiceHosts& hosts,
            std::string settingsPath, ProjectStore& store, const FileDialogs& files, ExportCommands& exports);

 private:
  void buildFileMenu(QMenuBar* bar, ExportCommands& exports);
  void buildToolsAndSettingsMenus(QMenuBar* bar);
  void buildHelpMenu(QMenuBar* bar);

  // A project is loaded, or a new one begun, in a copy of the program.
  void newProject();
  void loadProject();
  void saveProjectAs();
  void resetSettingsToDefaults();

  QMainWindow* m_window;
  QtDesktop& m_desktop;
  const ProgramIdentity& m_identity;
  const ServiceHosts& m_hosts;
  std::string m_settingsPath;
  ProjectStore& m_store;
  const FileDialogs& m_files;
};

}  // namespace crawlspect::ui
