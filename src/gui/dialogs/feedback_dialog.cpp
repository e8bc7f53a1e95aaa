#include "gui/dialogs/feedback_dialog.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

// A round face, smiling for "like" and frowning for "dislike".
QPixmap faceIcon(bool like) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  p.setBrush(like ? QColor(250, 200, 40) : QColor(235, 90, 70));
  p.drawEllipse(QRectF(2, 2, 28, 28));
  p.setBrush(QColor(40, 40, 40));
  p.drawEllipse(QRectF(10, 10, 4, 5));
  p.drawEllipse(QRectF(18, 10, 4, 5));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(40, 40, 40), 2, Qt::SolidLine, Qt::RoundCap));
  QPainterPath mouth;
  if (like) {
    mouth.moveTo(9, 19);
    mouth.quadTo(16, 26, 23, 19);
  } else {
    mouth.moveTo(9, 24);
    mouth.quadTo(16, 17, 23, 24);
  }
  p.drawPath(mouth);
  return pixmap;
}

// A paper plane for the Send button.
QIcon sendIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 70, 140), 1));
  p.setBrush(QColor(70, 140, 220));
  p.drawPolygon(QPolygonF({{1, 7}, {15, 1}, {10, 15}, {7, 9}}));
  p.drawLine(QPointF(7, 9), QPointF(15, 1));
  return QIcon(pixmap);
}

}  // namespace

void TFeedbackForm::showFeedback(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity,
                                 const ServiceHosts& hosts) {
  TFeedbackForm form(desktop, identity, hosts, parent);
  form.exec();
}

TFeedbackForm::TFeedbackForm(Desktop& desktop, ProgramIdentity identity, ServiceHosts hosts, QWidget* parent,
                             FormPoster post)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_desktop(desktop),
      m_identity(std::move(identity)),
      m_hosts(std::move(hosts)),
      m_post(std::move(post)) {
  setObjectName("FeedbackForm");
  setWindowTitle(QString::fromStdString(feedbackCaption(m_identity)));
  setModal(true);
  setFixedSize(525, 326);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(10, 10, 10, 10);

  auto* strip = new QHBoxLayout;
  Panel4 = choicePanel("Panel4", "I like it!", true, &Image1);
  Panel5 = choicePanel("Panel5", "I dislike it!", false, &Image2);
  strip->addWidget(Panel4);
  strip->addWidget(Panel5);
  column->addLayout(strip);

  Label1 = named(new QLabel("We would really appreciate your feedback.", this), "Label1");
  QFont big = Label1->font();
  big.setPointSize(12);
  Label1->setFont(big);
  column->addWidget(Label1);

  Label2 = named(new QLabel("What did you like or dislike?", this), "Label2");
  QFont bold = Label2->font();
  bold.setBold(true);
  Label2->setFont(bold);
  column->addWidget(Label2);

  Memo1 = named(new QPlainTextEdit(this), "Memo1");
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setTabChangesFocus(true);
  connect(Memo1->document(), &QTextDocument::contentsChange, this,
          [this](int position, int, int added) { limitText(position, added); });
  column->addWidget(Memo1, 1);

  auto* emailRow = new QHBoxLayout;
  Label3 = named(new QLabel("Include my e-mail:", this), "Label3");
  emailRow->addWidget(Label3);
  Edit1 = named(new QLineEdit(this), "Edit1");
  Edit1->setMaxLength(kMaxEmailLength);
  emailRow->addWidget(Edit1, 1);
  column->addLayout(emailRow);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  BitBtn1 = named(new QPushButton(sendIcon(), "Send", this), "BitBtn1");
  BitBtn1->setFont(bold);
  BitBtn1->setMinimumWidth(90);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  bottom->addWidget(BitBtn1);
  column->addLayout(bottom);

  showChoice();
  Memo1->setFocus();
}

QFrame* TFeedbackForm::choicePanel(const char* name, const char* caption, bool like, QLabel** icon) {
  auto* panel = named(new QFrame(this), name);
  panel->setFrameShape(QFrame::Panel);
  panel->setLineWidth(2);
  panel->setAutoFillBackground(true);
  panel->setCursor(Qt::PointingHandCursor);
  panel->setMinimumHeight(48);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(10, 6, 10, 6);
  *icon = named(new QLabel(panel), like ? "Image1" : "Image2");
  (*icon)->setPixmap(faceIcon(like));
  (*icon)->setFixedSize(32, 32);
  row->addWidget(*icon);
  auto* text = new QLabel(caption, panel);
  QFont font = text->font();
  font.setPointSize(12);
  text->setFont(font);
  row->addWidget(text, 1);
  for (QObject* target : {static_cast<QObject*>(panel), static_cast<QObject*>(*icon), static_cast<QObject*>(text)})
    target->installEventFilter(this);
  return panel;
}

bool TFeedbackForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    const QObject* panel = watched;
    while (panel && panel != Panel4 && panel != Panel5) panel = panel->parent();
    if (panel == Panel4) Image1Click();
    if (panel == Panel5) Image2Click();
    if (panel) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFeedbackForm::Image1Click() {
  m_choice = FeedbackChoice::Like;
  showChoice();
}

void TFeedbackForm::Image2Click() {
  m_choice = FeedbackChoice::Dislike;
  showChoice();
}

void TFeedbackForm::showChoice() {
  const auto paint = [](QFrame* panel, bool selected) {
    QPalette palette = panel->palette();
    const QPalette& system = QApplication::palette();
    palette.setColor(QPalette::Window, system.color(selected ? QPalette::Highlight : QPalette::Button));
    palette.setColor(QPalette::WindowText, system.color(selected ? QPalette::HighlightedText : QPalette::WindowText));
    panel->setPalette(palette);
    panel->setFrameShadow(selected ? QFrame::Sunken : QFrame::Raised);
  };
  paint(Panel4, m_choice == FeedbackChoice::Like);
  paint(Panel5, m_choice == FeedbackChoice::Dislike);
}

void TFeedbackForm::limitText(int position, int added) {
  const int excess = Memo1->document()->characterCount() - 1 - kMaxTextLength;
  if (excess <= 0 || added <= 0) return;
  // Drop the end of what was just typed or pasted, as a length-limited field does.
  QTextCursor cursor(Memo1->document());
  const int end = position + added;
  cursor.setPosition(std::max(position, end - excess));
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

FeedbackOutcome TFeedbackForm::BitBtn1Click() {
  const FeedbackInput input{m_choice, Memo1->toPlainText().toStdString(), Edit1->text().toStdString()};
  const FeedbackOutcome outcome = SendFeedback(m_desktop, input, m_identity, m_hosts, m_post);
  if (outcome == FeedbackOutcome::Delivered) accept();
  return outcome;
}

}  // namespace crawlspect::ui
