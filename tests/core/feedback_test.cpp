#include "core/feedback/feedback.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>

#include "test_server.h"

using namespace crawlspect;
using testsupport::TestServer;

namespace {

const ProgramIdentity kIdentity{"ZORVANE", "Crawlspect", "ZORVANE - Crawlspect", "4.7"};

TEST(FeedbackMessage, ChoiceThenTrimmedText) {
  struct Case {
    FeedbackChoice choice;
    std::string text;
    std::string message;
  };
  const Case cases[] = {
      {FeedbackChoice::None, "", ""},
      {FeedbackChoice::None, " \r\n\t \r\n", ""},
      {FeedbackChoice::Like, "", "I like it!\r"},
      {FeedbackChoice::Dislike, "\r\n\r\n  Too slow\non big sites\r\n\r\n", "I dislike it!\rToo slow\r\non big sites"},
      {FeedbackChoice::None, "a\r\n\r\nb", "a\r\n\r\nb"},
  };
  for (const Case& c : cases) EXPECT_EQ(composeFeedbackMessage(c.choice, c.text), c.message) << c.text;
  EXPECT_EQ(feedbackCaption(kIdentity), "Crawlspect feedback");
}

TEST(EmailCheck, ThePatternAcceptsAndRefuses) {
  for (const char* ok :
       {"a@b.c", "first.last+tag@mail.example.co.uk", "x_y-z@sub-domain.org", "a@b.c-d.e1", "1@2.3", "a@b..c"})
    EXPECT_TRUE(isValidEmail(ok)) << ok;
  for (const char* bad : {"", "a@b", "a@b.", "a@b.c-", "a@b.c.", "@b.c", "a b@c.d", "a@b_c.d", "a@@b.c", "a@.b.c",
                          "a@b.c ", "ä@b.c", "a@b.c\nx"})
    EXPECT_FALSE(isValidEmail(bad)) << bad;
}

TEST(EmailCheck, FieldsInOrderAndABlankAddressIsLeftOut) {
  EXPECT_EQ(
      feedbackFields(kIdentity, "I like it!\r", "   "),
      (std::vector<FormField>{
          {"cmd", "feedback"}, {"appname", "ZORVANE - Crawlspect"}, {"version", "4.7"}, {"feedback", "I like it!\r"}}));
  EXPECT_EQ(feedbackFields(kIdentity, "m", " a@b.c ").back(), (FormField{"email", "a@b.c"}));
  EXPECT_EQ(encodeFormBody({{"feedback", "a b&c=d\r\nü"}, {"v", "4.7"}}), "feedback=a%20b%26c%3Dd%0D%0A%C3%BC&v=4.7");
}

// A feedback service on 127.0.0.1 that records what reached it.
struct FeedbackService {
  explicit FeedbackService(bool tls, int status, std::string reply) : server(tls) {
    server.raw().Post(kFeedbackPath, [this, status, reply](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex);
      ++posts;
      connection = req.get_header_value("Connection");
      contentType = req.get_header_value("Content-Type");
      feedback = req.get_param_value("feedback");
      res.status = status;
      res.set_content(reply, "text/plain");
    });
    server.start();
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(server.port()); }
  TestServer server;
  std::mutex mutex;
  int posts = 0;
  std::string connection, contentType, feedback;
};

PostOptions trusted() { return PostOptions{testsupport::testCertificate().certPath}; }

TEST(FeedbackPost, HttpsReturnsTheReplyWhateverItsStatus) {
  FeedbackService service(true, 500, "busy");
  const auto fields = feedbackFields(kIdentity, "I like it!\rGreat tool", "");
  EXPECT_EQ(postForm("https://" + service.host() + kFeedbackPath, fields, trusted()), "busy");
  EXPECT_EQ(service.connection, "close");
  EXPECT_EQ(service.contentType, "application/x-www-form-urlencoded; charset=UTF-8");
  EXPECT_EQ(service.feedback, "I like it!\rGreat tool");
  // An untrusted certificate is a transport failure.
  EXPECT_THROW(postForm("https://" + service.host() + kFeedbackPath, fields), PostError);
}

TEST(FeedbackPost, PlainHttpFailsOnAnErrorStatusAndTransportErrorsRaise) {
  FeedbackService failing(false, 500, "OK");
  FeedbackService fine(false, 200, "OK\r\n");
  EXPECT_THROW(postForm("http://" + failing.host() + kFeedbackPath, {}), PostError);
  EXPECT_EQ(postForm("http://" + fine.host() + kFeedbackPath, {}), "OK\r\n");
  const std::string refused = "127.0.0.1:" + std::to_string(testsupport::refusedPort());
  EXPECT_THROW(postForm("http://" + refused + kFeedbackPath, {}), PostError);
  EXPECT_THROW(postForm("https://" + refused + kFeedbackPath, {}), PostError);
}

TEST(FeedbackPost, AServerThatNeverAnswersTimesOut) {
  testsupport::SilentServer silent;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(
      postForm("http://127.0.0.1:" + std::to_string(silent.port()) + kFeedbackPath, {}, PostOptions{"", 3000, 300}),
      PostError);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(300));
  EXPECT_LT(waited, std::chrono::milliseconds(900));
}

// Delivery over real sockets, with a record of every attempt.
struct Attempts {
  std::vector<std::string> urls;
  FormPoster poster() {
    return [this](const std::string& url, const std::vector<FormField>& fields) {
      urls.push_back(url);
      return postForm(url, fields, trusted());
    };
  }
};

TEST(FeedbackDelivery, PlainHttpOnlyAfterAnHttpsFailure) {
  const auto fields = feedbackFields(kIdentity, "m", "");
  {
    // HTTPS answers, but not "OK": failure, and no second attempt.
    FeedbackService service(true, 200, "NO");
    Attempts a;
    EXPECT_FALSE(deliverFeedback(service.host(), fields, a.poster()));
    EXPECT_EQ(a.urls, (std::vector<std::string>{"https://" + service.host() + "/php/feedback.php"}));
  }
  {
    // A plain server cannot speak TLS: the retry over HTTP gets "OK" and a line break.
    FeedbackService service(false, 200, "OK\r\n");
    Attempts a;
    EXPECT_TRUE(deliverFeedback(service.host(), fields, a.poster()));
    EXPECT_EQ(a.urls, (std::vector<std::string>{"https://" + service.host() + "/php/feedback.php",
                                                "http://" + service.host() + "/php/feedback.php"}));
    EXPECT_EQ(service.posts, 1);
  }
  {
    FeedbackService service(true, 200, " OK \r\n");
    Attempts a;
    EXPECT_TRUE(deliverFeedback(service.host(), fields, a.poster()));
  }
  {
    Attempts a;
    EXPECT_FALSE(deliverFeedback("127.0.0.1:" + std::to_string(testsupport::refusedPort()), fields, a.poster()));
    EXPECT_EQ(a.urls.size(), 2u);
  }
  {
    FeedbackService service(false, 200, "ok");
    Attempts a;
    EXPECT_FALSE(deliverFeedback(service.host(), fields, a.poster()));
  }
}

TEST(FeedbackSend, OutcomesAndWhatTheUserIsShown) {
  ServiceHosts hosts;
  hosts.feedbackHost = "feedback.invalid";
  std::vector<std::vector<FormField>> posted;
  std::string reply = "OK";
  const FormPoster fake = [&](const std::string&, const std::vector<FormField>& fields) {
    posted.push_back(fields);
    return reply;
  };

  EXPECT_EQ(sendFeedback({FeedbackChoice::None, "  \r\n", "a@b.c"}, kIdentity, hosts, fake),
            FeedbackOutcome::NothingToSend);
  EXPECT_EQ(sendFeedback({FeedbackChoice::Like, "", "a@b"}, kIdentity, hosts, fake), FeedbackOutcome::InvalidEmail);
  EXPECT_TRUE(posted.empty());

  EXPECT_EQ(sendFeedback({FeedbackChoice::Like, "", "   "}, kIdentity, hosts, fake), FeedbackOutcome::Delivered);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].size(), 4u);  // no email field

  reply = "ERROR";
  EXPECT_EQ(sendFeedback({FeedbackChoice::Dislike, "x", ""}, kIdentity, hosts, fake), FeedbackOutcome::Failed);
  const FormPoster throwing = [](const std::string&, const std::vector<FormField>&) -> std::string {
    throw std::bad_alloc();
  };
  EXPECT_EQ(sendFeedback({FeedbackChoice::Dislike, "x", ""}, kIdentity, hosts, throwing), FeedbackOutcome::Failed);

  // The outcomes' message boxes; nothing to send only beeps.
  EXPECT_FALSE(feedbackNotice(FeedbackOutcome::NothingToSend));
  struct Shown {
    FeedbackOutcome outcome;
    std::string title;
    std::string text;
    MessageIcon icon;
  };
  const Shown shown[] = {
      {FeedbackOutcome::InvalidEmail, "Failure", "Invalid e-mail address!", MessageIcon::Error},
      {FeedbackOutcome::Delivered, "Success", "Your feedback is received.\r\rThank you!", MessageIcon::Information},
      {FeedbackOutcome::Failed, "Failure",
       "Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.", MessageIcon::Error},
  };
  for (const Shown& s : shown) {
    const std::optional<FeedbackNotice> notice = feedbackNotice(s.outcome);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->title, s.title);
    EXPECT_EQ(notice->text, s.text);
    EXPECT_EQ(notice->icon, s.icon);
  }
}

}  // namespace
