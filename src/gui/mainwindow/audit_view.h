#pragma once
// The audit report on screen: coloured runs, read-only, no wrap. A report can
// hold a hundred thousand lines, so the view paints only the lines in sight
// (a list over the report, one row per line) instead of laying out a rich-text
// document of the whole report on every refresh.
#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <memory>

#include "core/results/audit.h"

namespace crawlspect::ui {

class AuditModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;
  void setReport(std::shared_ptr<const AuditReport> report);
  const AuditReport* report() const { return m_report.get(); }
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  std::shared_ptr<const AuditReport> m_report;
};

class AuditView : public QTreeView {
  Q_OBJECT
 public:
  explicit AuditView(QWidget* parent);
  void setReport(std::shared_ptr<const AuditReport> report);
  // The report as text, each line followed by CR LF ("Copy All").
  std::string allText() const;
  // The selected lines, in report order, each followed by CR LF ("Copy Selected").
  std::string selectedText() const;

 private:
  AuditModel* m_model;
};

}  // namespace crawlspect::ui
