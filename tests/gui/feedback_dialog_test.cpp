#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <mutex>

#include "gui/dialogs/feedback_dialog.h"
#include "gui/qt_desktop.h"
#include "core/platform/loop_desktop.h"
#include "test_server.h"

using namespace crawlspect;
using namespace crawlspect::ui;

Q_DECLARE_METATYPE(crawlspect::FeedbackOutcome)

namespace {

ProgramIdentity identity() { return {"ZORVANE", "Crawlspect", "ZORVANE - Crawlspect", "4.7"}; }

struct Post {
  std::string feedback;
  std::string email;
  bool hasEmail = false;
  std::string appname;
};

}  // namespace

class FeedbackFormTest : public QObject {
  Q_OBJECT

  // The maker's service over plain HTTP only: the HTTPS attempt fails its
  // handshake, so every delivery goes through the plain-HTTP retry.
  testsupport::TestServer service;
  std::mutex lock;
  std::vector<Post> posts;
  std::string reply = "OK\r\n";

  ServiceHosts hosts() const {
    ServiceHosts h;
    h.feedbackHost = "127.0.0.1:" + std::to_string(service.port());
    return h;
  }

 private slots:
  void initTestCase() {
    service.raw().Post("/php/feedback.php", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard guard(lock);
      posts.push_back({req.get_param_value("feedback"), req.get_param_value("email"), req.has_param("email"),
                       req.get_param_value("appname")});
      res.set_content(reply, "text/plain");
    });
    service.start();
  }

  void send_data() {
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<FeedbackOutcome>("outcome");
    QTest::addColumn<QString>("message");  // "title: text", empty for none
    QTest::addColumn<QString>("posted");   // the feedback field that reached the service
    QTest::addColumn<QString>("postedEmail");

    QTest::newRow("nothing to send beeps") << QStringList{} << " \n\t " << "me@example.com"
                                           << "OK" << FeedbackOutcome::NothingToSend << "" << "" << "";
    QTest::newRow("invalid e-mail stops") << QStringList{"Image1"} << "" << "me@host"
                                          << "OK" << FeedbackOutcome::InvalidEmail
                                          << "Failure: Invalid e-mail address!" << "" << "";
    QTest::newRow("delivered without e-mail") << QStringList{"Image1"} << "\n\nGreat\nwork\n\n" << "   "
                                              << "OK\r\n" << FeedbackOutcome::Delivered
                                              << "Success: Your feedback is received.\r\rThank you!"
                                              << "I like it!\rGreat\r\nwork" << "-";
    QTest::newRow("refused reply keeps the window")
        << QStringList{"Image1", "Panel5"} << "meh" << " a.b+c@mail.example.org "
        << "NO" << FeedbackOutcome::Failed
        << "Failure: Something went wrong. Your feedback could not be delivered.\r\rPlease try again later."
        << "I dislike it!\rmeh" << "a.b+c@mail.example.org";
  }

  void send() {
    QFETCH(QStringList, clicks);
    QFETCH(QString, text);
    QFETCH(QString, email);
    QFETCH(QString, reply);
    QFETCH(FeedbackOutcome, outcome);
    QFETCH(QString, message);
    QFETCH(QString, posted);
    QFETCH(QString, postedEmail);
    {
      std::lock_guard guard(lock);
      posts.clear();
      this->reply = reply.toStdString();
    }

    LoopDesktop desktop;
    TFeedbackForm form(desktop, identity(), hosts());
    form.show();
    QCOMPARE(form.windowTitle(), QString("Crawlspect feedback"));
    for (const QString& name : clicks) QTest::mouseClick(form.findChild<QWidget*>(name), Qt::LeftButton);
    form.Memo1->setPlainText(text);
    form.Edit1->setText(email);

    QCOMPARE(form.BitBtn1Click(), outcome);

    const auto shown = desktop.messages();
    QCOMPARE(shown.size(), size_t(message.isEmpty() ? 0 : 1));
    if (!message.isEmpty()) QCOMPARE(QString::fromStdString(shown[0].title + ": " + shown[0].text), message);
    QCOMPARE(desktop.beeps(), outcome == FeedbackOutcome::NothingToSend ? 1 : 0);

    std::lock_guard guard(lock);
    QCOMPARE(posts.size(), size_t(posted.isEmpty() ? 0 : 1));
    if (!posted.isEmpty()) {
      QCOMPARE(QString::fromStdString(posts[0].feedback), posted);
      QCOMPARE(posts[0].appname, std::string("ZORVANE - Crawlspect"));
      QCOMPARE(posts[0].hasEmail, postedEmail != "-");
      if (postedEmail != "-") QCOMPARE(QString::fromStdString(posts[0].email), postedEmail);
    }
    // Only a delivery closes the window; otherwise the content stays for another try.
    QCOMPARE(form.isVisible(), outcome != FeedbackOutcome::Delivered);
    if (outcome != FeedbackOutcome::Delivered) QCOMPARE(form.Memo1->toPlainText(), text);
  }

  void choiceLooksSelected() {
    LoopDesktop desktop;
    TFeedbackForm form(desktop, identity(), hosts());
    form.show();
    const auto background = [](QFrame* panel) { return panel->palette().color(QPalette::Window); };
    const QColor face = QApplication::palette().color(QPalette::Button);
    QCOMPARE(background(form.Panel4), face);
    QCOMPARE(background(form.Panel5), face);
    QTest::mouseClick(form.Panel5, Qt::LeftButton);
    QCOMPARE(form.choice(), FeedbackChoice::Dislike);
    QCOMPARE(background(form.Panel5), QApplication::palette().color(QPalette::Highlight));
    QCOMPARE(form.Panel5->frameShadow(), QFrame::Sunken);
    QTest::mouseClick(form.Image1, Qt::LeftButton);
    QCOMPARE(form.choice(), FeedbackChoice::Like);
    QCOMPARE(background(form.Panel5), face);
    QCOMPARE(form.Panel5->frameShadow(), QFrame::Raised);
  }

  void fieldLimitsAndEscape() {
    LoopDesktop desktop;
    TFeedbackForm form(desktop, identity(), hosts());
    form.show();
    form.Memo1->setPlainText(QString(9990, 'a'));
    form.Memo1->moveCursor(QTextCursor::Start);
    form.Memo1->insertPlainText(QString(15, 'b'));
    QCOMPARE(form.Memo1->toPlainText().size(), TFeedbackForm::kMaxTextLength);
    QVERIFY(form.Memo1->toPlainText().startsWith(QString(10, 'b') + "a"));
    QCOMPARE(form.Edit1->maxLength(), TFeedbackForm::kMaxEmailLength);

    for (QWidget* w : {static_cast<QWidget*>(form.Memo1), static_cast<QWidget*>(form.Edit1),
                       static_cast<QWidget*>(form.BitBtn1)}) {
      form.show();
      w->setFocus();
      QTest::keyClick(w, Qt::Key_Escape);
      QVERIFY2(!form.isVisible(), qPrintable(w->objectName()));
    }
    QVERIFY(desktop.messages().empty());
  }

  // The message box of the window program shows the core's lone CRs as breaks.
  void messageBoxShowsLineBreaks() {
    QString shown;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      shown = box->text();
      box->accept();
    });
    QtDesktop().showMessage("Success", kFeedbackSuccessText, MessageIcon::Information);
    QCOMPARE(shown, QString("Your feedback is received.\n\nThank you!"));
    QCOMPARE(displayText("a\r\nb\rc\nd"), QString("a\nb\nc\nd"));
  }
};

QTEST_MAIN(FeedbackFormTest)
#include "feedback_dialog_test.moc"
