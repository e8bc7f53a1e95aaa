#include "gui/mainwindow/response_codes_tab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/results/detail_views.h"
#include "core/results/responses.h"
#include "gui/mainwindow/row_models.h"
#include "gui/mainwindow/widget_builders.h"
#include "gui/qt_desktop.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

ResponseCodesTab::ResponseCodesTab(Database& db, QtDesktop& desktop) : m_db(db), m_desktop(desktop) {
  setObjectName("responseCodesTab");
  m_classCombo = named(new QComboBox(this), "responseClassCombo");
  for (const char* caption : kResponseClassCaptions) m_classCombo->addItem(caption);
  m_rowsModel = new TableModel(responseCodeRows(Table(), ResponseClass::All), this);
  m_rowsView = makeListView(this, "responseCodesView", m_rowsModel);
  addTableCopyMenu(m_rowsView, "Copy URL", "copyResponseUrlAction", m_desktop);

  m_chainCaption = named(new QLabel(this), "redirectChainCaption");
  m_chainModel = new TableModel(Table({"Hop", "Target", "Status"}), this);
  QTreeView* chainView = makeListView(this, "redirectChainView", m_chainModel);
  m_inlinksModel = new TableModel(emptyDetailList(ResultListId::Links), this);
  QTreeView* inlinksView = makeListView(this, "responseInlinksView", m_inlinksModel);
  addTableCopyMenu(inlinksView, "Copy URL", "copyResponseInlinkAction", m_desktop);

  auto* left = new QWidget(this);
  auto* leftColumn = new QVBoxLayout(left);
  leftColumn->setContentsMargins(0, 0, 0, 0);
  auto* filterLine = new QHBoxLayout;
  filterLine->addWidget(new QLabel("Show:", left));
  filterLine->addWidget(m_classCombo);
  filterLine->addStretch(1);
  leftColumn->addLayout(filterLine);
  leftColumn->addWidget(m_rowsView, 1);

  auto* right = new QWidget(this);
  auto* rightColumn = new QVBoxLayout(right);
  rightColumn->setContentsMargins(0, 0, 0, 0);
  rightColumn->addWidget(m_chainCaption);
  rightColumn->addWidget(chainView, 1);
  rightColumn->addWidget(new QLabel("Linked from:", right));
  rightColumn->addWidget(inlinksView, 2);

  auto* split = named(new QSplitter(Qt::Horizontal, this), "responseCodesSplitter");
  split->addWidget(left);
  split->addWidget(right);
  split->setStretchFactor(0, 1);
  split->setSizes({650, 320});
  auto* whole = new QVBoxLayout(this);
  whole->setContentsMargins(0, 0, 0, 0);
  whole->addWidget(split);

  connect(m_classCombo, &QComboBox::currentIndexChanged, this, &ResponseCodesTab::showRows);
  connect(m_rowsView->selectionModel(), &QItemSelectionModel::selectionChanged, this, &ResponseCodesTab::showDetails);
}

void ResponseCodesTab::setResponses(Table responses) {
  m_all = std::move(responses);
  showRows();
}

void ResponseCodesTab::showRows() {
  m_rowsModel->setTable(responseCodeRows(m_all, static_cast<ResponseClass>(m_classCombo->currentIndex())));
  m_chainCaption->clear();
  m_chainModel->setTable(Table({"Hop", "Target", "Status"}));
  m_inlinksModel->setTable(emptyDetailList(ResultListId::Links));
}

void ResponseCodesTab::showDetails() {
  const auto row = selectedRow(m_rowsView);
  if (!row || *row >= m_rowsModel->table().size()) return;
  const std::string url(m_rowsModel->table().cell(*row, 0));
  m_chainCaption->setText("Redirect chain of " + QString::fromStdString(url) + ":");
  m_chainModel->setTable(loadRedirectChain(m_db, url, m_desktop));
  m_inlinksModel->setTable(lookupDetail(m_db, ResultListId::Links, url, m_desktop).table);
}

}  // namespace crawlspect::ui
