#pragma once
#include <QMainWindow>

namespace crawlspect::ui {

class TAppForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TAppForm(QWidget* parent = nullptr);
};

}  // namespace crawlspect::ui
