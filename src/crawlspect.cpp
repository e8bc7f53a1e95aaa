#include <QApplication>

#include "main/ui/app_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Crawlspect");
  crawlspect::ui::TAppForm form;
  form.show();
  return QApplication::exec();
}
