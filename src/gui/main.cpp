#include <QApplication>
#include <QStringList>

#include "core/platform/data_folder.h"
#include "gui/mainwindow/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Crawlspect");
  QApplication::setApplicationDisplayName("Crawlspect");

  const crawlspect::ProgramIdentity identity = crawlspect::programIdentity();
  crawlspect::ui::AppSetup setup;
  const crawlspect::DataPlaces places = crawlspect::dataPlaces(identity);
  setup.dataFolder = places.workFolder;
  setup.settingsFile = places.settingsFile;
  setup.templatePath = crawlspect::programFilePath(crawlspect::executableFolder(), crawlspect::kTemplateFileName);
  // The arguments name one project file, blanks and all.
  setup.projectPath = QCoreApplication::arguments().mid(1).join(' ').trimmed().toStdString();

  crawlspect::ui::MainWindow form(setup);
  form.showAsStored();
  form.openStartupProject();
  return QApplication::exec();
}
