#include "gui/mainwindow/audit_view.h"

#include <QHeaderView>
#include <QPainter>

namespace crawlspect::ui {

namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

class RunsDelegate : public QStyledItemDelegate {
 public:
  RunsDelegate(const AuditModel* model, QObject* parent) : QStyledItemDelegate(parent), m_model(model) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const AuditReport* report = m_model->report();
    if (!report) return;
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) painter->fillRect(option.rect, option.palette.highlight());
    int x = option.rect.left() + 3;
    const QFontMetrics metrics(option.font);
    painter->setFont(option.font);
    for (const AuditRun& run : report->line(static_cast<std::size_t>(index.row()))) {
      const QString text = qs(run.text);
      painter->setPen(selected ? option.palette.highlightedText().color()
                               : QColor(static_cast<QRgb>(auditColourRgb(run.colour))));
      painter->drawText(QRect(x, option.rect.top(), metrics.horizontalAdvance(text) + 1, option.rect.height()),
                        Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, text);
      x += metrics.horizontalAdvance(text);
    }
    painter->restore();
  }

 private:
  const AuditModel* m_model;
};

}  // namespace

void AuditModel::setReport(std::shared_ptr<const AuditReport> report) {
  beginResetModel();
  m_report = std::move(report);
  endResetModel();
}

int AuditModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !m_report ? 0 : static_cast<int>(m_report->lineCount());
}

QVariant AuditModel::data(const QModelIndex& index, int role) const {
  if (!m_report || !index.isValid() || role != Qt::DisplayRole) return {};
  return qs(m_report->lineText(static_cast<std::size_t>(index.row())));
}

AuditView::AuditView(QWidget* parent) : QTreeView(parent), m_model(new AuditModel(this)) {
  setModel(m_model);
  setItemDelegate(new RunsDelegate(m_model, this));
  setHeaderHidden(true);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::Fixed);
  QFont font = this->font();
  font.setPixelSize(16);
  setFont(font);
}

void AuditView::setReport(std::shared_ptr<const AuditReport> report) {
  // The widest line sets the scrolling width; measuring the longest few by
  // their text is enough, measuring all would cost as much as drawing them.
  std::size_t longest = 0;
  std::size_t longestLength = 0;
  for (std::size_t i = 0; i < report->lineCount(); ++i) {
    const std::size_t length = report->lineText(i).size();
    if (length > longestLength) {
      longestLength = length;
      longest = i;
    }
  }
  const int width = report->lineCount() == 0 ? 0 : fontMetrics().horizontalAdvance(qs(report->lineText(longest)));
  m_model->setReport(std::move(report));
  header()->resizeSection(0, std::max(width + 12, viewport()->width()));
}

std::string AuditView::allText() const { return m_model->report() ? m_model->report()->plainText() : std::string(); }

std::string AuditView::selectedText() const {
  const AuditReport* report = m_model->report();
  if (!report) return {};
  QModelIndexList rows = selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::string text;
  for (const QModelIndex& row : rows) {
    text += report->lineText(static_cast<std::size_t>(row.row()));
    text += "\r\n";
  }
  return text;
}

}  // namespace crawlspect::ui
