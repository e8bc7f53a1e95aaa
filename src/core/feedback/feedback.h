#pragma once
// The feedback form without its window: the message, the e-mail check, the
// form post with its one plain-HTTP retry, and the texts the user sees. The
// window shows those texts; nothing here opens a message box.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "core/lookups/service_addresses.h"
#include "core/platform/data_folder.h"
#include "core/platform/desktop.h"

namespace crawlspect {

enum class FeedbackChoice { None, Like, Dislike };

inline constexpr const char* kFeedbackPath = "/php/feedback.php";
inline constexpr const char* kFeedbackSuccessTitle = "Success";
inline constexpr const char* kFeedbackFailureTitle = "Failure";
inline constexpr const char* kInvalidEmailText = "Invalid e-mail address!";
inline constexpr const char* kFeedbackSuccessText = "Your feedback is received.\r\rThank you!";
inline constexpr const char* kFeedbackFailureText =
    "Something went wrong. Your feedback could not be delivered.\r\rPlease try again later.";

// The window caption: product name, a space and "feedback".
std::string feedbackCaption(const ProgramIdentity& identity);

// "I like it!" or "I dislike it!" and one CR for a choice, then the text
// trimmed of characters of code 32 or less at both ends, its line breaks as
// CR LF. Empty when there is nothing to send.
std::string composeFeedbackMessage(FeedbackChoice choice, std::string_view text);

// The whole text matches ^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$ (PCRE2).
bool isValidEmail(std::string_view text);

struct FormField {
  std::string name;
  std::string value;
  bool operator==(const FormField&) const = default;
};

// cmd, appname, version, feedback and, when the trimmed e-mail is not empty, email.
std::vector<FormField> feedbackFields(const ProgramIdentity& identity, const std::string& message,
                                      std::string_view emailText);

// The fields as an application/x-www-form-urlencoded body (UTF-8, percent-encoded).
std::string encodeFormBody(const std::vector<FormField>& fields);

// A post that got no usable reply: no connection, time-out, TLS failure, or an
// error status of a plain-HTTP post.
class PostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PostOptions {
  std::string caFile;  // PEM certificates to trust for HTTPS; empty: the system's
  int connectMs = 3000;
  int responseMs = 3000;  // each wait for the reply
};

// POSTs the fields as an HTML form and returns the reply body. "https://"
// addresses send "Connection: close" and return the body whatever the status;
// any other address fails on an HTTP error status too.
std::string postForm(const std::string& url, const std::vector<FormField>& fields, const PostOptions& options = {});

using FormPoster = std::function<std::string(const std::string& url, const std::vector<FormField>& fields)>;

// Posts to https://host/php/feedback.php; only when that ends in an error,
// once more to http://host/php/feedback.php. True when the reply, trimmed, is "OK".
bool deliverFeedback(const std::string& host, const std::vector<FormField>& fields, const FormPoster& post);

enum class FeedbackOutcome {
  NothingToSend,  // the window beeps
  InvalidEmail,   // "Invalid e-mail address!"; nothing was posted
  Delivered,      // "Success": the window closes
  Failed,         // "Failure": the window stays with its content
};

// The message box that tells the user an outcome; none for NothingToSend.
struct FeedbackNotice {
  const char* title;
  const char* text;
  MessageIcon icon;
};
std::optional<FeedbackNotice> feedbackNotice(FeedbackOutcome outcome);

struct FeedbackInput {
  FeedbackChoice choice = FeedbackChoice::None;
  std::string text;   // the free text as typed
  std::string email;  // the e-mail field as typed
};

// What Send makes of the input before anything goes out: either a refusal
// (NothingToSend, InvalidEmail) or the fields to post.
struct FeedbackDraft {
  std::optional<FeedbackOutcome> refusal;
  std::vector<FormField> fields;
};
FeedbackDraft draftFeedback(const FeedbackInput& input, const ProgramIdentity& identity);

// Posts a draft's fields with deliverFeedback: Delivered or Failed. Waits for
// the network, so the window calls it off its own thread. post defaults to
// postForm trusting hosts.feedbackCaFile.
FeedbackOutcome postFeedback(const std::vector<FormField>& fields, const ServiceHosts& hosts, FormPoster post = {});

// The Send button without a window: draftFeedback, then postFeedback.
FeedbackOutcome sendFeedback(const FeedbackInput& input, const ProgramIdentity& identity, const ServiceHosts& hosts,
                             FormPoster post = {});

}  // namespace crawlspect
