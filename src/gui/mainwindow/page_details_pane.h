#pragma once
// What the page picked in the Internal URLs list carries: its title, META
// description, H1 and H2 lines, each with its length or count. The boxes are
// read-only but selectable, so that a text can be copied out.
#include <QScrollArea>

class QLabel;
class QPlainTextEdit;

namespace crawlspect {
struct PageDetails;
}

namespace crawlspect::ui {

// Scrolls as a whole when the window is too short for the four boxes.
class PageDetailsPane : public QScrollArea {
  Q_OBJECT
 public:
  explicit PageDetailsPane(QWidget* parent = nullptr);
  void show(const PageDetails& page);
  using QScrollArea::show;  // the widget's own show() stays reachable

 private:
  QPlainTextEdit* m_titleBox;
  QLabel* m_titleLengthLabel;
  QPlainTextEdit* m_descriptionBox;
  QLabel* m_descriptionLengthLabel;
  QPlainTextEdit* m_h1Box;
  QLabel* m_h1CountLabel;
  QPlainTextEdit* m_h2Box;
  QLabel* m_h2CountLabel;
};

}  // namespace crawlspect::ui
