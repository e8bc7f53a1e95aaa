#include "gui/mainwindow/page_details_pane.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "core/results/detail_views.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

QPlainTextEdit* readOnlyBox(QWidget* parent, const char* name, bool wrap) {
  auto* box = named(new QPlainTextEdit(parent), name);
  box->setReadOnly(true);
  box->setMinimumHeight(60);
  box->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  return box;
}

QLabel* rightAligned(QWidget* parent, const char* name, const char* text) {
  auto* label = named(new QLabel(text, parent), name);
  label->setAlignment(Qt::AlignRight);
  return label;
}

QString joinedLines(const std::vector<std::string>& lines) {
  QStringList joined;
  for (const auto& line : lines) joined << qs(line);
  return joined.join('\n');
}

}  // namespace

PageDetailsPane::PageDetailsPane(QWidget* parent) : QScrollArea(parent) {
  auto* panel = named(new QWidget, "pageDetailsPanel");
  setWidgetResizable(true);
  setWidget(panel);
  setMinimumWidth(270);
  auto* facts = new QVBoxLayout(panel);
  const auto fact = [&](const char* caption, QPlainTextEdit* box, QLabel* counter) {
    facts->addWidget(new QLabel(caption, panel));
    facts->addWidget(box);
    facts->addWidget(counter);
  };
  m_titleBox = readOnlyBox(panel, "pageTitleBox", true);
  m_descriptionBox = readOnlyBox(panel, "pageDescriptionBox", true);
  m_h1Box = readOnlyBox(panel, "pageH1Box", false);
  m_h2Box = readOnlyBox(panel, "pageH2Box", false);
  m_titleLengthLabel = rightAligned(panel, "titleLengthLabel", "Length: 0");
  m_descriptionLengthLabel = rightAligned(panel, "descriptionLengthLabel", "Length: 0");
  m_h1CountLabel = rightAligned(panel, "h1CountLabel", "0");
  m_h2CountLabel = rightAligned(panel, "h2CountLabel", "0");
  fact("Title:", m_titleBox, m_titleLengthLabel);
  fact("META Description:", m_descriptionBox, m_descriptionLengthLabel);
  fact("H1 Tags:", m_h1Box, m_h1CountLabel);
  fact("H2 Tags:", m_h2Box, m_h2CountLabel);
}

void PageDetailsPane::show(const PageDetails& page) {
  m_titleBox->setPlainText(qs(page.title));
  m_titleLengthLabel->setText(qs(page.titleLength));
  m_descriptionBox->setPlainText(qs(page.description));
  m_descriptionLengthLabel->setText(qs(page.descriptionLength));
  m_h1Box->setPlainText(joinedLines(page.h1Lines));
  m_h1CountLabel->setText(qs(page.h1Count));
  m_h2Box->setPlainText(joinedLines(page.h2Lines));
  m_h2CountLabel->setText(qs(page.h2Count));
}

}  // namespace crawlspect::ui
