#include <QApplication>
#include <QStringList>

#include "main/ui/app_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Crawlspect");
  QApplication::setApplicationDisplayName("Crawlspect");

  crawlspect::ui::AppSetup setup;
  const QString exeFolder = QCoreApplication::applicationDirPath();
  setup.dataFolder = exeFolder.toStdString();
  setup.templatePath = (exeFolder + "/empty.db").toStdString();
  // The arguments name one project file, blanks and all.
  setup.projectPath = QCoreApplication::arguments().mid(1).join(' ').trimmed().toStdString();

  crawlspect::ui::TAppForm form(setup);
  form.showMaximized();
  form.openStartupProject();
  return QApplication::exec();
}
