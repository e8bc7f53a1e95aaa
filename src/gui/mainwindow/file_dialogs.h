#pragma once
// The file dialogs of the window's commands: a file to open or a file to save
// to. The window tests put a stand-in in their place that answers by the
// dialog's name.
#include <QString>
#include <functional>

class QWidget;

namespace crawlspect::ui {

class FileDialogs {
 public:
  // Given the dialog's name ("exportFileDialog", "openProjectDialog",
  // "saveProjectDialog"), returns the chosen file or "" for a cancel.
  using StandIn = std::function<QString(const QString& dialog)>;

  explicit FileDialogs(QWidget* parent) : m_parent(parent) {}
  // Empty: the real dialogs.
  void setStandIn(StandIn standIn) { m_standIn = std::move(standIn); }

  // The chosen file, or "" for a cancel. `suffix` is added to a name typed without one.
  QString openFile(const QString& dialogName, const QString& filter, const QString& suffix) const;
  // `start` is the name the dialog offers first.
  QString saveFile(const QString& dialogName, const QString& filter, const QString& suffix,
                   const QString& start = {}) const;

 private:
  QString choose(const QString& dialogName, const QString& filter, const QString& suffix, bool save,
                 const QString& start) const;

  QWidget* m_parent;
  StandIn m_standIn;
};

}  // namespace crawlspect::ui
