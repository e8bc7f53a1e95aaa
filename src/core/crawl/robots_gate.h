#pragma once
// What a crawl run does with the sites' robots.txt: each host's file fetched
// once, when the run first meets the host, and every internal URL judged by
// it before it joins the list.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "core/crawl/fetch_outcome.h"
#include "core/crawl/robots_rules.h"

namespace crawlspect {

class PageFetcher;
class ProjectStore;
struct StopWatch;

// "robots.txt": Report marks the disallowed URLs and crawls them all the
// same, Obey leaves them unfetched, Ignore never asks for robots.txt.
enum class RobotsMode { Report, Obey, Ignore };

// "report", "obey", "ignore"
std::string_view robotsModeName(RobotsMode mode);
std::optional<RobotsMode> robotsModeFromName(std::string_view name);

// The rules a robots.txt fetch comes to: its text when the last response is
// 2xx, everything allowed for 4xx (and a redirect loop: no file), nothing
// allowed for 5xx or no answer at all.
RobotsRules rulesFromFetch(const FetchOutcome& outcome, std::string_view text, std::string_view userAgent);

class RobotsGate {
 public:
  // Crawl thread only. The fetches use the run's fetcher (its user agent and
  // time-outs) and are recorded in RESPONSES.
  RobotsGate(RobotsMode mode, PageFetcher& fetcher, ProjectStore& store, const StopWatch* watch);

  RobotsMode mode() const { return m_mode; }
  // Whether robots.txt lets the crawler fetch url; the host's file is
  // fetched first when this is the host's first URL. Always true in Ignore mode.
  bool allows(const std::string& url);
  // A disallowed URL met for the first time: ROBOTS_BLOCKED and, when obeying,
  // its RESPONSES row with status 0 and "robots: blocked". False when it was met before.
  bool recordBlocked(const std::string& url);

 private:
  const RobotsRules& rulesFor(const std::string& robotsAddress);

  RobotsMode m_mode;
  PageFetcher& m_fetcher;
  ProjectStore& m_store;
  const StopWatch* m_watch;
  std::map<std::string, RobotsRules> m_rules;  // by robots.txt address
  std::set<std::string> m_blocked;
};

}  // namespace crawlspect
