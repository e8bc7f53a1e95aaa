#pragma once
// What a laid-out window must never show, whatever the font: a text cut off,
// a control outside the window, two controls on top of each other.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

namespace testsupport {

// The application's font, twice its normal size while this lives.
class LargeFont {
 public:
  LargeFont() : m_normal(QApplication::font()) {
    QFont large = m_normal;
    large.setPointSizeF(m_normal.pointSizeF() * 2);
    QApplication::setFont(large);
  }
  ~LargeFont() { QApplication::setFont(m_normal); }
  LargeFont(const LargeFont&) = delete;
  LargeFont& operator=(const LargeFont&) = delete;

 private:
  QFont m_normal;
};

inline bool insideScrollArea(const QWidget* widget, const QWidget* window) {
  for (const QWidget* w = widget->parentWidget(); w && w != window; w = w->parentWidget())
    if (qobject_cast<const QAbstractScrollArea*>(w)) return true;
  return false;
}

// One line for each fault found among the window's visible controls.
inline QStringList layoutFaults(QWidget* window) {
  QStringList faults;
  QList<QWidget*> controls;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || insideScrollArea(w, window)) continue;
    if (qobject_cast<QFrame*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)) controls << w;
  }

  const auto placed = [window](const QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
  const auto name = [](const QWidget* w) {
    const auto* label = qobject_cast<const QLabel*>(w);
    return w->objectName() + (label ? " \"" + label->text() + "\"" : QString());
  };
  for (QWidget* w : controls) {
    if (!window->rect().contains(placed(w))) faults << name(w) + " lies outside the window";
    QSize needed = w->sizeHint();
    const auto* label = qobject_cast<const QLabel*>(w);
    if (label && label->wordWrap()) needed = QSize(label->minimumSizeHint().width(), label->heightForWidth(w->width()));
    if (label || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w)) {
      if (w->width() < needed.width() || w->height() < needed.height())
        faults << QString("%1 is cut off: %2x%3 for %4x%5")
                      .arg(name(w))
                      .arg(w->width())
                      .arg(w->height())
                      .arg(needed.width())
                      .arg(needed.height());
    }
    for (QWidget* other : controls)
      if (other != w && other->parentWidget() == w->parentWidget() && w < other && placed(w).intersects(placed(other)))
        faults << name(w) + " overlaps " + name(other);
  }
  return faults;
}

}  // namespace testsupport
