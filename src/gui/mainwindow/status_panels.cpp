#include "gui/mainwindow/status_panels.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

#include "core/crawl/crawl_run.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

StatusPanels::StatusPanels(QMainWindow* window) {
  m_urlTotal = named(new QLabel(window), "urlTotalStatus");
  m_urlTotal->setFixedWidth(200);
  window->statusBar()->addWidget(m_urlTotal, 0);
  m_position = named(new QLabel(window), "positionStatus");
  m_position->setFixedWidth(100);
  m_position->setAlignment(Qt::AlignCenter);
  window->statusBar()->addWidget(m_position, 0);
  m_loading = named(new QLabel(window), "loadingStatus");
  window->statusBar()->addWidget(m_loading, 1);
  window->statusBar()->setObjectName("statusBar");
}

void StatusPanels::showPageStarted(const PageProgress& page) {
  m_urlTotal->setText(QString("Total URLs: %1").arg(page.total));
  m_position->setText(QString("%1 / %2").arg(page.index + 1).arg(page.total));
  m_loading->setText("Loading: " + QString::fromStdString(page.url));
}

void StatusPanels::showTotal(std::size_t total) { m_urlTotal->setText(QString("Total URLs: %1").arg(total)); }

void StatusPanels::showExternalCheck(std::size_t links) {
  m_loading->setText("Checking " + QString::number(links) + " external links");
}

void StatusPanels::clearLoading() { m_loading->clear(); }

}  // namespace crawlspect::ui
