#pragma once
// The feedback window: like or dislike, a free text, an optional e-mail
// address and Send. SendFeedback does the work and the talking; the window
// only holds the user's input and closes once the feedback was delivered.
#include <QDialog>

#include "core/feedback/feedback.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace crawlspect::ui {

class TFeedbackForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMaxTextLength = 10000;
  static constexpr int kMaxEmailLength = 100;

  // The help menu command: a new modal window, gone when it closes.
  static void showFeedback(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity,
                           const ServiceHosts& hosts);

  // post: the form post, PostForm trusting hosts.feedbackCaFile when empty.
  TFeedbackForm(Desktop& desktop, ProgramIdentity identity, ServiceHosts hosts, QWidget* parent = nullptr,
                FormPoster post = {});

  FeedbackChoice choice() const { return m_choice; }

  void Image1Click();  // the like panel
  void Image2Click();  // the dislike panel
  FeedbackOutcome BitBtn1Click();

  // Controls, named as the tests know them.
  QFrame* Panel4 = nullptr;
  QFrame* Panel5 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* BitBtn1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QFrame* choicePanel(const char* name, const char* caption, bool like, QLabel** icon);
  void showChoice();
  void limitText(int position, int added);

  Desktop& m_desktop;
  ProgramIdentity m_identity;
  ServiceHosts m_hosts;
  FormPoster m_post;
  FeedbackChoice m_choice = FeedbackChoice::None;
};

}  // namespace crawlspect::ui
