#pragma once
// Window tests find the controls they drive by their object names.
#include <QObject>
#include <QtGlobal>

namespace testsupport {

// The child of window named name; a test without it cannot go on.
template <class T>
T* part(const QObject& window, const char* name) {
  T* found = window.findChild<T*>(name);
  if (!found) qFatal("no %s in the window", name);
  return found;
}

}  // namespace testsupport
