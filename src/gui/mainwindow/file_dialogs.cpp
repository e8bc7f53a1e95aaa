#include "gui/mainwindow/file_dialogs.h"

#include <QFileDialog>

namespace crawlspect::ui {

QString FileDialogs::openFile(const QString& dialogName, const QString& filter, const QString& suffix) const {
  return choose(dialogName, filter, suffix, false, {});
}

QString FileDialogs::saveFile(const QString& dialogName, const QString& filter, const QString& suffix,
                              const QString& start) const {
  return choose(dialogName, filter, suffix, true, start);
}

QString FileDialogs::choose(const QString& dialogName, const QString& filter, const QString& suffix, bool save,
                            const QString& start) const {
  if (m_standIn) return m_standIn(dialogName);
  QFileDialog dialog(m_parent, save ? "Save As" : "Open", start, filter);
  dialog.setObjectName(dialogName);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(suffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

}  // namespace crawlspect::ui
