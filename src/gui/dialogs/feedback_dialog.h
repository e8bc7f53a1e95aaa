#pragma once
// The feedback window: like or dislike, a free text, an optional e-mail
// address and Send. The core checks and posts; the window holds the user's
// input, tells the outcome and closes once the feedback was delivered.
#include <QDialog>

#include "core/feedback/feedback.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace crawlspect::ui {

class FeedbackDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxTextLength = 10000;
  static constexpr int kMaxEmailLength = 100;

  // The help menu command: a new modal window, gone when it closes.
  static void showFeedback(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity,
                           const ServiceHosts& hosts);

  // post: the form post, postForm trusting hosts.feedbackCaFile when empty.
  FeedbackDialog(Desktop& desktop, ProgramIdentity identity, ServiceHosts hosts, QWidget* parent = nullptr,
                 FormPoster post = {});

  // The window's size as it was designed, or more when its texts need more.
  QSize sizeHint() const override;

  FeedbackChoice choice() const { return m_choice; }

  // The Send button: beeps for nothing to send, otherwise shows the outcome's
  // message box and closes the window on delivery. The post runs off the GUI
  // thread; Send stays disabled until it is over.
  FeedbackOutcome send();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QFrame* choicePanel(const char* name, const char* caption, bool like, QLabel** icon);
  void choose(FeedbackChoice choice);
  void showChoice();
  void limitText(int position, int added);

  Desktop& m_desktop;
  ProgramIdentity m_identity;
  ServiceHosts m_hosts;
  FormPoster m_post;
  FeedbackChoice m_choice = FeedbackChoice::None;

  QFrame* m_likePanel = nullptr;
  QFrame* m_dislikePanel = nullptr;
  QLabel* m_likeIcon = nullptr;
  QLabel* m_dislikeIcon = nullptr;
  QLabel* m_headingLabel = nullptr;
  QLabel* m_questionLabel = nullptr;
  QPlainTextEdit* m_messageEdit = nullptr;
  QLabel* m_emailLabel = nullptr;
  QLineEdit* m_emailEdit = nullptr;
  QPushButton* m_sendButton = nullptr;
};

}  // namespace crawlspect::ui
