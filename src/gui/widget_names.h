#pragma once
// Controls carry the names the rest of the program and the tests know them by.
#include <QObject>

namespace crawlspect::ui {

template <class W>
W* named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace crawlspect::ui
