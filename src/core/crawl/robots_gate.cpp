#include "core/crawl/robots_gate.h"

#include "core/crawl/page_fetcher.h"
#include "core/store/project_store.h"

namespace crawlspect {

namespace {

constexpr std::string_view kModeNames[] = {"report", "obey", "ignore"};

}  // namespace

std::string_view robotsModeName(RobotsMode mode) { return kModeNames[static_cast<int>(mode)]; }

std::optional<RobotsMode> robotsModeFromName(std::string_view name) {
  for (int i = 0; i < 3; ++i)
    if (kModeNames[i] == name) return static_cast<RobotsMode>(i);
  return std::nullopt;
}

RobotsRules rulesFromFetch(const FetchOutcome& outcome, std::string_view text, std::string_view userAgent) {
  switch (outcome.failure) {
    case FetchFailure::None:
    case FetchFailure::Http:
    case FetchFailure::TooLarge:  // the start of the file is what is read anyway
    case FetchFailure::Decode:
      break;
    case FetchFailure::TooManyRedirects:
      // Redirects without end: the file is not to be had, as for a 4xx.
      return RobotsRules();
    default:
      // No answer, or one broken off: the site cannot say what it allows.
      return RobotsRules::disallowAll();
  }
  const long status = outcome.finalStatus;
  if (status >= 500 || status == 0) return RobotsRules::disallowAll();
  if (status >= 200 && status <= 299) return RobotsRules::parse(text, userAgent);
  return RobotsRules();
}

RobotsGate::RobotsGate(RobotsMode mode, PageFetcher& fetcher, ProjectStore& store, const StopWatch* watch)
    : m_mode(mode), m_fetcher(fetcher), m_store(store), m_watch(watch) {}

const RobotsRules& RobotsGate::rulesFor(const std::string& robotsAddress) {
  const auto known = m_rules.find(robotsAddress);
  if (known != m_rules.end()) return known->second;
  PageFetcher::FetchedPage fetched = m_fetcher.fetch(robotsAddress, m_watch);
  FetchOutcome& outcome = fetched.outcome;
  outcome.robotsFile = true;
  // A stop cut the fetch: the run ends, and nothing is learnt of the file.
  if (outcome.cutByStop) return m_rules.emplace(robotsAddress, RobotsRules()).first->second;
  m_store.recordResponse(outcome);
  const RobotsRules& rules =
      m_rules.emplace(robotsAddress, rulesFromFetch(outcome, fetched.text, m_fetcher.userAgent())).first->second;
  // An obeyed Crawl-delay slows the whole run down to one request per delay.
  if (m_mode == RobotsMode::Obey)
    if (const auto delay = rules.crawlDelay(); delay && *delay > 0) m_fetcher.capMaxRate(1.0 / *delay);
  return rules;
}

bool RobotsGate::allows(const std::string& url) {
  if (m_mode == RobotsMode::Ignore) return true;
  const std::string address = robotsTxtAddress(url);
  if (address.empty()) return true;
  return rulesFor(address).allowsUrl(url);
}

bool RobotsGate::recordBlocked(const std::string& url) {
  if (!m_blocked.insert(url).second) return false;
  m_store.recordRobotsBlocked(url);
  if (m_mode == RobotsMode::Obey) {
    FetchOutcome outcome;
    outcome.url = url;
    outcome.finalUrl = url;
    outcome.failure = FetchFailure::Robots;
    outcome.failureMessage = "blocked";
    m_store.recordResponse(outcome);
  }
  return true;
}

}  // namespace crawlspect
