#include "gui/dialogs/feedback_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <future>
#include <mutex>

#include "core/platform/loop_desktop.h"
#include "gui/qt_desktop.h"
#include "layout_checks.h"
#include "test_server.h"
#include "window_parts.h"

using namespace crawlspect;
using namespace crawlspect::ui;

Q_DECLARE_METATYPE(crawlspect::FeedbackOutcome)

using testsupport::part;

namespace {

ProgramIdentity identity() { return {"ZORVANE", "Crawlspect", "ZORVANE - Crawlspect", "4.7"}; }

struct Post {
  std::string feedback;
  std::string email;
  bool hasEmail = false;
  std::string appname;
};

}  // namespace

class FeedbackDialogTest : public QObject {
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

    QTest::newRow("nothing to send beeps") << QStringList{} << " \n\t "
                                           << "me@example.com"
                                           << "OK" << FeedbackOutcome::NothingToSend << ""
                                           << ""
                                           << "";
    QTest::newRow("invalid e-mail stops") << QStringList{"likeIcon"} << ""
                                          << "me@host"
                                          << "OK" << FeedbackOutcome::InvalidEmail << "Failure: Invalid e-mail address!"
                                          << ""
                                          << "";
    QTest::newRow("delivered without e-mail")
        << QStringList{"likeIcon"} << "\n\nGreat\nwork\n\n"
        << "   "
        << "OK\r\n"
        << FeedbackOutcome::Delivered << "Success: Your feedback is received.\r\rThank you!"
        << "I like it!\rGreat\r\nwork"
        << "-";
    QTest::newRow("refused reply keeps the window")
        << QStringList{"likeIcon", "dislikePanel"} << "meh"
        << " a.b+c@mail.example.org "
        << "NO" << FeedbackOutcome::Failed
        << "Failure: Something went wrong. Your feedback could not be delivered.\r\rPlease try again later."
        << "I dislike it!\rmeh"
        << "a.b+c@mail.example.org";
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
    FeedbackDialog dialog(desktop, identity(), hosts());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString("Crawlspect feedback"));
    for (const QString& name : clicks) QTest::mouseClick(part<QWidget>(dialog, qPrintable(name)), Qt::LeftButton);
    auto* messageEdit = part<QPlainTextEdit>(dialog, "messageEdit");
    messageEdit->setPlainText(text);
    part<QLineEdit>(dialog, "emailEdit")->setText(email);

    QCOMPARE(dialog.send(), outcome);

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
    QCOMPARE(dialog.isVisible(), outcome != FeedbackOutcome::Delivered);
    if (outcome != FeedbackOutcome::Delivered) QCOMPARE(messageEdit->toPlainText(), text);
    QVERIFY(part<QPushButton>(dialog, "sendButton")->isEnabled());
  }

  // The post runs while the window goes on handling its events: Send waits,
  // the window can be closed, and the user still hears how it went.
  void staysLiveWhileThePostRuns() {
    struct Observed {
      bool ran = false;
      bool sendWaited = false;
    } observed;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    testsupport::TestServer slowService;
    slowService.raw().Post("/php/feedback.php", [released](const httplib::Request&, httplib::Response& res) {
      // A window that blocked on the post would never get to release it.
      released.wait_for(std::chrono::seconds(10));
      res.set_content("OK", "text/plain");
    });
    slowService.start();
    ServiceHosts slowHosts;
    slowHosts.feedbackHost = "127.0.0.1:" + std::to_string(slowService.port());

    LoopDesktop desktop;
    FeedbackDialog dialog(desktop, identity(), slowHosts);
    dialog.show();
    part<QPlainTextEdit>(dialog, "messageEdit")->setPlainText("slow");
    QPushButton* send = part<QPushButton>(dialog, "sendButton");
    QTimer::singleShot(100, &dialog, [&] {
      observed.ran = true;
      observed.sendWaited = !send->isEnabled();
      dialog.close();
      release.set_value();
    });
    send->click();
    QVERIFY(observed.ran);
    QVERIFY(observed.sendWaited);
    QVERIFY(!dialog.isVisible());
    const auto shown = desktop.messages();
    QCOMPARE(shown.size(), size_t(1));
    QCOMPARE(shown[0].title, std::string("Success"));
    QVERIFY(send->isEnabled());
  }

  void choiceLooksSelected() {
    LoopDesktop desktop;
    FeedbackDialog dialog(desktop, identity(), hosts());
    dialog.show();
    auto* like = part<QFrame>(dialog, "likePanel");
    auto* dislike = part<QFrame>(dialog, "dislikePanel");
    const auto background = [](QFrame* panel) { return panel->palette().color(QPalette::Window); };
    const QColor face = QApplication::palette().color(QPalette::Button);
    QCOMPARE(background(like), face);
    QCOMPARE(background(dislike), face);
    QTest::mouseClick(dislike, Qt::LeftButton);
    QCOMPARE(dialog.choice(), FeedbackChoice::Dislike);
    QCOMPARE(background(dislike), QApplication::palette().color(QPalette::Highlight));
    QCOMPARE(dislike->frameShadow(), QFrame::Sunken);
    QTest::mouseClick(part<QLabel>(dialog, "likeIcon"), Qt::LeftButton);
    QCOMPARE(dialog.choice(), FeedbackChoice::Like);
    QCOMPARE(background(dislike), face);
    QCOMPARE(dislike->frameShadow(), QFrame::Raised);
  }

  void fieldLimitsAndEscape() {
    LoopDesktop desktop;
    FeedbackDialog dialog(desktop, identity(), hosts());
    dialog.show();
    auto* messageEdit = part<QPlainTextEdit>(dialog, "messageEdit");
    auto* emailEdit = part<QLineEdit>(dialog, "emailEdit");
    messageEdit->setPlainText(QString(9990, 'a'));
    messageEdit->moveCursor(QTextCursor::Start);
    messageEdit->insertPlainText(QString(15, 'b'));
    QCOMPARE(messageEdit->toPlainText().size(), FeedbackDialog::kMaxTextLength);
    QVERIFY(messageEdit->toPlainText().startsWith(QString(10, 'b') + "a"));
    QCOMPARE(emailEdit->maxLength(), FeedbackDialog::kMaxEmailLength);

    for (QWidget* w : {static_cast<QWidget*>(messageEdit), static_cast<QWidget*>(emailEdit),
                       static_cast<QWidget*>(part<QPushButton>(dialog, "sendButton"))}) {
      dialog.show();
      w->setFocus();
      QTest::keyClick(w, Qt::Key_Escape);
      QVERIFY2(!dialog.isVisible(), qPrintable(w->objectName()));
    }
    QVERIFY(desktop.messages().empty());
  }

  // The designed size at the normal font; large system fonts grow the window
  // instead of cutting its texts off.
  void layoutFitsItsTexts() {
    LoopDesktop desktop;
    {
      FeedbackDialog dialog(desktop, identity(), hosts());
      dialog.show();
      QCOMPARE(dialog.size(), QSize(525, 326));
      QCOMPARE(testsupport::layoutFaults(&dialog), QStringList());
    }
    testsupport::LargeFont large;
    FeedbackDialog dialog(desktop, identity(), hosts());
    dialog.show();
    QCOMPARE(testsupport::layoutFaults(&dialog), QStringList());
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

QTEST_MAIN(FeedbackDialogTest)
#include "feedback_dialog_test.moc"
