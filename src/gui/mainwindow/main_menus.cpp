#include "gui/mainwindow/main_menus.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "core/lookups/service_addresses.h"
#include "core/lookups/web_lookups.h"
#include "core/platform/data_folder.h"
#include "core/results/csv_export.h"
#include "core/settings/settings.h"
#include "core/store/project_store.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/feedback_dialog.h"
#include "gui/mainwindow/export_commands.h"
#include "gui/mainwindow/file_dialogs.h"
#include "gui/qt_desktop.h"

namespace crawlspect::ui {

MainMenus::MainMenus(QMainWindow* window, QtDesktop& desktop, const ProgramIdentity& identity,
                     const ServiceHosts& hosts, std::string settingsPath, ProjectStore& store, const FileDialogs& files,
                     ExportCommands& exports)
    : m_window(window),
      m_desktop(desktop),
      m_identity(identity),
      m_hosts(hosts),
      m_settingsPath(std::move(settingsPath)),
      m_store(store),
      m_files(files) {
  QMenuBar* bar = window->menuBar();
  buildFileMenu(bar, exports);
  buildToolsAndSettingsMenus(bar);
  buildHelpMenu(bar);
}

void MainMenus::buildFileMenu(QMenuBar* bar, ExportCommands& exports) {
  auto* file = bar->addMenu("File");
  file->setObjectName("fileMenu");
  const auto entry = [this, file](const char* caption, const char* name, void (MainMenus::*handler)()) {
    QAction* action = file->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
  };
  entry("New Project", "newProjectAction", &MainMenus::newProject);
  entry("Load Project...", "loadProjectAction", &MainMenus::loadProject);
  entry("Save Project As...", "saveProjectAction", &MainMenus::saveProjectAs);
  file->addSeparator();
  for (const auto& [id, name] : {std::pair{ExportId::Sitemap, "exportSitemapAction"},
                                 {ExportId::Links, "exportLinksAction"},
                                 {ExportId::Titles, "exportTitlesAction"},
                                 {ExportId::Descriptions, "exportDescriptionsAction"},
                                 {ExportId::H1Tags, "exportH1TagsAction"},
                                 {ExportId::H2Tags, "exportH2TagsAction"},
                                 {ExportId::Anchors, "exportAnchorsAction"}}) {
    QAction* action = file->addAction(exportCaption(id));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [&exports, id = id] { exports.exportList(id); });
  }
  file->addSeparator();
  connect(file->addAction("Exit"), &QAction::triggered, qApp, &QApplication::quit);
}

void MainMenus::buildToolsAndSettingsMenus(QMenuBar* bar) {
  auto* tools = bar->addMenu("Tools");
  tools->setObjectName("toolsMenu");
  for (const auto& item : toolsMenu()) {
    auto* action = tools->addAction(QString::fromStdString(item.caption));
    action->setObjectName(QString::fromStdString(item.objectName));
    connect(action, &QAction::triggered, this, [this, address = item.address] { m_desktop.openAddress(address); });
  }
  auto* settings = bar->addMenu("Settings");
  settings->setObjectName("settingsMenu");
  auto* reset = settings->addAction("Reset to Defaults");
  reset->setObjectName("resetSettingsAction");
  connect(reset, &QAction::triggered, this, &MainMenus::resetSettingsToDefaults);
}

void MainMenus::buildHelpMenu(QMenuBar* bar) {
  auto* help = bar->addMenu("Help");
  help->setObjectName("helpMenu");
  auto* online = help->addAction("Online Help");
  online->setShortcut(Qt::Key_F1);
  connect(online, &QAction::triggered, this,
          [this] { m_desktop.openAddress(onlineHelpAddress(m_hosts, m_identity.productName)); });
  help->addSeparator();
  auto* updateNotifications = help->addAction("Update Notifications");
  updateNotifications->setCheckable(true);
  updateNotifications->setChecked(true);
  updateNotifications->setEnabled(false);
  help->addSeparator();
  auto* feedback = help->addAction("Send Feedback...");
  feedback->setObjectName("sendFeedbackAction");
  connect(feedback, &QAction::triggered, this,
          [this] { FeedbackDialog::showFeedback(m_window, m_desktop, m_identity, m_hosts); });
  auto* about = help->addAction("About...");
  about->setObjectName("aboutAction");
  connect(about, &QAction::triggered, this,
          [this] { AboutDialog::showAbout(m_window, m_desktop, m_identity, m_hosts); });
}

void MainMenus::newProject() { m_desktop.startProgramCopy({}); }

void MainMenus::loadProject() {
  const QString path = m_files.openFile("openProjectDialog", "Project File (*.db)", "db");
  if (path.isEmpty()) return;
  m_desktop.startProgramCopy({path.toStdString()});
}

void MainMenus::saveProjectAs() {
  const QString path = m_files.saveFile("saveProjectDialog", "Project File (*.db)", "db");
  if (path.isEmpty()) return;
  const std::string dest = path.toStdString();
  try {
    m_store.saveCopy(dest);
  } catch (const StoreError& e) {
    // A project that silently failed to save is a project lost.
    m_desktop.showMessage("Error", "Unable to save " + dest + ": " + e.what(), MessageIcon::Error);
  }
}

void MainMenus::resetSettingsToDefaults() {
  if (QMessageBox::question(m_window, "Crawlspect", kRestartQuestion, QMessageBox::Yes | QMessageBox::No) !=
      QMessageBox::Yes)
    return;
  resetToDefaults(m_desktop, m_settingsPath);
  QApplication::quit();
}

}  // namespace crawlspect::ui
