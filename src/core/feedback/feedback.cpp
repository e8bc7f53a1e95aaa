#include "core/feedback/feedback.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

#include "core/platform/text.h"

namespace crawlspect {

namespace {

constexpr const char* kEmailPattern = R"(^[a-zA-Z0-9_.+-]+@[a-zA-Z0-9-]+\.[a-zA-Z0-9-.]*[a-zA-Z0-9]+$)";

struct CodeDeleter {
  void operator()(pcre2_code* c) const { pcre2_code_free(c); }
};

const pcre2_code* emailPattern() {
  static const std::unique_ptr<pcre2_code, CodeDeleter> code = [] {
    int error = 0;
    PCRE2_SIZE offset = 0;
    return std::unique_ptr<pcre2_code, CodeDeleter>(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kEmailPattern), PCRE2_ZERO_TERMINATED, 0, &error, &offset, nullptr));
  }();
  return code.get();
}

}  // namespace

std::string feedbackCaption(const ProgramIdentity& identity) { return identity.productName + " feedback"; }

std::string composeFeedbackMessage(FeedbackChoice choice, std::string_view text) {
  std::string message;
  if (choice == FeedbackChoice::Like) message = "I like it!\r";
  if (choice == FeedbackChoice::Dislike) message = "I dislike it!\r";
  message += trimControl(withCrLfBreaks(text));
  return message;
}

bool isValidEmail(std::string_view text) {
  const pcre2_code* code = emailPattern();
  if (!code) return false;
  std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> match(
      pcre2_match_data_create_from_pattern(code, nullptr), &pcre2_match_data_free);
  if (!match) return false;
  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, match.get(), nullptr);
  return rc >= 0;
}

std::vector<FormField> feedbackFields(const ProgramIdentity& identity, const std::string& message,
                                      std::string_view emailText) {
  std::vector<FormField> fields = {
      {"cmd", "feedback"},
      {"appname", identity.captionText},
      {"version", identity.shortVersion},
      {"feedback", message},
  };
  const std::string email = trimControl(emailText);
  if (!email.empty()) fields.push_back({"email", email});
  return fields;
}

bool deliverFeedback(const std::string& host, const std::vector<FormField>& fields, const FormPoster& post) {
  std::string reply;
  try {
    reply = post("https://" + host + kFeedbackPath, fields);
  } catch (const std::exception&) {
    // The maker's service may not speak TLS where the user is: the same
    // fields go once more over plain HTTP.
    try {
      reply = post("http://" + host + kFeedbackPath, fields);
    } catch (const std::exception&) {
      return false;  // both attempts failed: the window says "Failure"
    }
  }
  return trimControl(reply) == "OK";
}

std::optional<FeedbackNotice> feedbackNotice(FeedbackOutcome outcome) {
  switch (outcome) {
    case FeedbackOutcome::NothingToSend:
      return std::nullopt;
    case FeedbackOutcome::InvalidEmail:
      return FeedbackNotice{kFeedbackFailureTitle, kInvalidEmailText, MessageIcon::Error};
    case FeedbackOutcome::Delivered:
      return FeedbackNotice{kFeedbackSuccessTitle, kFeedbackSuccessText, MessageIcon::Information};
    case FeedbackOutcome::Failed:
      return FeedbackNotice{kFeedbackFailureTitle, kFeedbackFailureText, MessageIcon::Error};
  }
  return std::nullopt;
}

FeedbackDraft draftFeedback(const FeedbackInput& input, const ProgramIdentity& identity) {
  const std::string message = composeFeedbackMessage(input.choice, input.text);
  if (message.empty()) return {FeedbackOutcome::NothingToSend, {}};
  const std::string email = trimControl(input.email);
  if (!email.empty() && !isValidEmail(email)) return {FeedbackOutcome::InvalidEmail, {}};
  return {std::nullopt, feedbackFields(identity, message, email)};
}

FeedbackOutcome postFeedback(const std::vector<FormField>& fields, const ServiceHosts& hosts, FormPoster post) {
  if (!post) {
    post = [caFile = hosts.feedbackCaFile](const std::string& url, const std::vector<FormField>& formFields) {
      return postForm(url, formFields, PostOptions{caFile});
    };
  }
  try {
    return deliverFeedback(hosts.feedbackHost, fields, post) ? FeedbackOutcome::Delivered : FeedbackOutcome::Failed;
  } catch (const std::exception&) {
    // deliverFeedback turns every failed post into false; what can still end
    // up here is running out of memory on the way. The feedback did not go
    // out, and the user hears that as any other failure.
    return FeedbackOutcome::Failed;
  }
}

FeedbackOutcome sendFeedback(const FeedbackInput& input, const ProgramIdentity& identity, const ServiceHosts& hosts,
                             FormPoster post) {
  const FeedbackDraft draft = draftFeedback(input, identity);
  if (draft.refusal) return *draft.refusal;
  return postFeedback(draft.fields, hosts, std::move(post));
}

}  // namespace crawlspect
