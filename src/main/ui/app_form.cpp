#include "main/ui/app_form.h"

namespace crawlspect::ui {

TAppForm::TAppForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("AppForm");
  setWindowTitle("ZORVANE - Crawlspect");
  resize(983, 545);
}

}  // namespace crawlspect::ui
