#include "gui/mainwindow/start_line.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "gui/mainwindow/widget_builders.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

const char* runCaption(RunState state) {
  switch (state) {
    case RunState::Running:
      return "STOP";
    case RunState::Stopping:
      return "Stopping...";
    case RunState::Idle:
      break;
  }
  return "Check";
}

}  // namespace

StartLine::StartLine(QWidget* area) : m_line(makeLine(area, "startLine", 36)) {
  auto* row = static_cast<QHBoxLayout*>(m_line->layout());
  row->addWidget(new QLabel("Start URL:", m_line));
  m_urlEdit = named(new QLineEdit(m_line), "startUrlEdit");
  QFont big = m_urlEdit->font();
  big.setPointSizeF(big.pointSizeF() * 1.35);
  m_urlEdit->setFont(big);
  row->addWidget(m_urlEdit, 1);
  m_checkButton = named(new QToolButton(m_line), "checkButton");
  m_checkButton->setText("Check");
  QFont bold = m_checkButton->font();
  bold.setBold(true);
  m_checkButton->setFont(bold);
  m_checkButton->setFixedWidth(130);
  m_checkButton->setPopupMode(QToolButton::MenuButtonPopup);
  m_checkButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  row->addWidget(m_checkButton);
  m_showOptionsCheck = named(new QCheckBox("Show Options", m_line), "showOptionsCheck");
  row->addWidget(m_showOptionsCheck);
  connect(m_checkButton, &QToolButton::clicked, this, &StartLine::checkRequested);
  connect(m_urlEdit, &QLineEdit::returnPressed, this, &StartLine::checkRequested);
  connect(m_showOptionsCheck, &QCheckBox::clicked, this, &StartLine::showOptionsClicked);
}

void StartLine::showRunState(RunState state) {
  m_checkButton->setText(runCaption(state));
  m_checkButton->setEnabled(state != RunState::Stopping);
}

void StartLine::selectUrl() {
  m_urlEdit->setCursorPosition(0);
  m_urlEdit->selectAll();
}

}  // namespace crawlspect::ui
