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
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <optional>

#include "gui/dialogs/drawn_picture.h"
#include "gui/dialogs/worker_call.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

// A round face, smiling for "like" and frowning for "dislike".
QPixmap faceIcon(bool like, qreal pixelRatio) {
  QPixmap pixmap = blankPicture(32, 32, pixelRatio);
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
QIcon sendIcon(qreal pixelRatio) {
  QPixmap pixmap = blankPicture(16, 16, pixelRatio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 70, 140), 1));
  p.setBrush(QColor(70, 140, 220));
  p.drawPolygon(QPolygonF({{1, 7}, {15, 1}, {10, 15}, {7, 9}}));
  p.drawLine(QPointF(7, 9), QPointF(15, 1));
  return QIcon(pixmap);
}

}  // namespace

void FeedbackDialog::showFeedback(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity,
                                  const ServiceHosts& hosts) {
  FeedbackDialog dialog(desktop, identity, hosts, parent);
  dialog.exec();
}

FeedbackDialog::FeedbackDialog(Desktop& desktop, ProgramIdentity identity, ServiceHosts hosts, QWidget* parent,
                               FormPoster post)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_desktop(desktop),
      m_identity(std::move(identity)),
      m_hosts(std::move(hosts)),
      m_post(std::move(post)) {
  setObjectName("feedbackDialog");
  setWindowTitle(QString::fromStdString(feedbackCaption(m_identity)));
  setModal(true);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(10, 10, 10, 10);

  auto* strip = new QHBoxLayout;
  m_likePanel = choicePanel("likePanel", "I like it!", true, &m_likeIcon);
  m_dislikePanel = choicePanel("dislikePanel", "I dislike it!", false, &m_dislikeIcon);
  strip->addWidget(m_likePanel);
  strip->addWidget(m_dislikePanel);
  column->addLayout(strip);

  m_headingLabel = named(new QLabel("We would really appreciate your feedback.", this), "headingLabel");
  QFont big = m_headingLabel->font();
  big.setPointSize(12);
  m_headingLabel->setFont(big);
  column->addWidget(m_headingLabel);

  m_questionLabel = named(new QLabel("What did you like or dislike?", this), "questionLabel");
  QFont bold = m_questionLabel->font();
  bold.setBold(true);
  m_questionLabel->setFont(bold);
  column->addWidget(m_questionLabel);

  m_messageEdit = named(new QPlainTextEdit(this), "messageEdit");
  m_messageEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_messageEdit->setTabChangesFocus(true);
  connect(m_messageEdit->document(), &QTextDocument::contentsChange, this,
          [this](int position, int, int added) { limitText(position, added); });
  column->addWidget(m_messageEdit, 1);

  auto* emailRow = new QHBoxLayout;
  m_emailLabel = named(new QLabel("Include my e-mail:", this), "emailLabel");
  emailRow->addWidget(m_emailLabel);
  m_emailEdit = named(new QLineEdit(this), "emailEdit");
  m_emailEdit->setMaxLength(kMaxEmailLength);
  emailRow->addWidget(m_emailEdit, 1);
  column->addLayout(emailRow);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  m_sendButton = named(new QPushButton(sendIcon(devicePixelRatioF()), "Send", this), "sendButton");
  m_sendButton->setFont(bold);
  m_sendButton->setMinimumWidth(90);
  m_sendButton->setDefault(true);
  connect(m_sendButton, &QPushButton::clicked, this, [this] { send(); });
  bottom->addWidget(m_sendButton);
  column->addLayout(bottom);

  // A dialog of one size, as designed, or larger where the user's fonts need more.
  setFixedSize(sizeHint());
  showChoice();
  m_messageEdit->setFocus();
}

QSize FeedbackDialog::sizeHint() const { return QSize(525, 326).expandedTo(minimumSizeHint()); }

QFrame* FeedbackDialog::choicePanel(const char* name, const char* caption, bool like, QLabel** icon) {
  auto* panel = named(new QFrame(this), name);
  panel->setFrameShape(QFrame::Panel);
  panel->setLineWidth(2);
  panel->setAutoFillBackground(true);
  panel->setCursor(Qt::PointingHandCursor);
  panel->setMinimumHeight(48);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(10, 6, 10, 6);
  *icon = named(new QLabel(panel), like ? "likeIcon" : "dislikeIcon");
  (*icon)->setPixmap(faceIcon(like, devicePixelRatioF()));
  row->addWidget(*icon);
  auto* text = named(new QLabel(caption, panel), like ? "likeCaption" : "dislikeCaption");
  QFont font = text->font();
  font.setPointSize(12);
  text->setFont(font);
  row->addWidget(text, 1);
  // The whole panel is the choice: a click on its face or caption counts too.
  for (QObject* target : {static_cast<QObject*>(panel), static_cast<QObject*>(*icon), static_cast<QObject*>(text)})
    target->installEventFilter(this);
  return panel;
}

bool FeedbackDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    const QObject* panel = watched;
    while (panel && panel != m_likePanel && panel != m_dislikePanel) panel = panel->parent();
    if (panel == m_likePanel) choose(FeedbackChoice::Like);
    if (panel == m_dislikePanel) choose(FeedbackChoice::Dislike);
    if (panel) return true;
  }
  return QDialog::eventFilter(watched, event);
}

void FeedbackDialog::choose(FeedbackChoice choice) {
  m_choice = choice;
  showChoice();
}

void FeedbackDialog::showChoice() {
  const auto paint = [](QFrame* panel, bool selected) {
    QPalette palette = panel->palette();
    const QPalette& system = QApplication::palette();
    palette.setColor(QPalette::Window, system.color(selected ? QPalette::Highlight : QPalette::Button));
    palette.setColor(QPalette::WindowText, system.color(selected ? QPalette::HighlightedText : QPalette::WindowText));
    panel->setPalette(palette);
    panel->setFrameShadow(selected ? QFrame::Sunken : QFrame::Raised);
  };
  paint(m_likePanel, m_choice == FeedbackChoice::Like);
  paint(m_dislikePanel, m_choice == FeedbackChoice::Dislike);
}

void FeedbackDialog::limitText(int position, int added) {
  const int excess = m_messageEdit->document()->characterCount() - 1 - kMaxTextLength;
  if (excess <= 0 || added <= 0) return;
  // Drop the end of what was just typed or pasted, as a length-limited field does.
  QTextCursor cursor(m_messageEdit->document());
  const int end = position + added;
  cursor.setPosition(std::max(position, end - excess));
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
}

FeedbackOutcome FeedbackDialog::send() {
  const FeedbackInput input{m_choice, m_messageEdit->toPlainText().toStdString(), m_emailEdit->text().toStdString()};
  const FeedbackDraft draft = draftFeedback(input, m_identity);
  FeedbackOutcome outcome = FeedbackOutcome::NothingToSend;
  if (draft.refusal) {
    outcome = *draft.refusal;
  } else {
    // The post can take both attempts' time-outs. The window stays live
    // meanwhile (it can even be closed); Send waits, so that one click
    // sends one feedback.
    m_sendButton->setEnabled(false);
    const QPointer<FeedbackDialog> self(this);
    outcome = callOnWorker(
        [fields = draft.fields, hosts = m_hosts, post = m_post] { return postFeedback(fields, hosts, post); });
    if (!self) return outcome;  // gone with its owner while the post ran: nobody is left to tell
    m_sendButton->setEnabled(true);
  }
  if (outcome == FeedbackOutcome::NothingToSend) m_desktop.beep();
  if (const std::optional<FeedbackNotice> notice = feedbackNotice(outcome))
    m_desktop.showMessage(notice->title, notice->text, notice->icon);
  if (outcome == FeedbackOutcome::Delivered) accept();
  return outcome;
}

}  // namespace crawlspect::ui
