#include <atomic>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/interrupt_to_stop.h"
#include "cli/terminal_text.h"
#include "core/crawl/page_fetcher.h"

namespace crawlspect::cli {

namespace {
struct FetchOptions {
  std::string url;
  std::string agent;
  int connectMs = 10000;
  int responseMs = 10000;
  int maxFetchMs = PageFetcher::kDefaultMaxFetchMs;
};
}  // namespace

void addFetchCommand(CLI::App& app, Commands& commands) {
  auto opts = std::make_shared<FetchOptions>();
  auto* cmd = app.add_subcommand("fetch", "Fetch one page and print its text as the crawler reads it");
  cmd->add_option("URL", opts->url, "Address to fetch")->required();
  cmd->add_option("--agent", opts->agent, "User-Agent header (none when empty)");
  cmd->add_option("--connection-timeout", opts->connectMs, "Connection time-out in milliseconds");
  cmd->add_option("--response-timeout", opts->responseMs, "Response time-out in milliseconds");
  cmd->add_option("--max-fetch-time", opts->maxFetchMs, "Longest time the fetch may take, in milliseconds");
  commands.emplace_back(cmd, [opts] {
    // Ctrl+C cuts the transfer off; what arrived is printed as usual.
    std::atomic<bool> stop{false};
    InterruptToStop interrupt;
    interrupt.watch([&stop] { stop = true; });
    const StopWatch watch{&stop, nullptr};
    PageFetcher fetcher;
    fetcher.setUserAgent(opts->agent);
    fetcher.setTimeouts(opts->connectMs, opts->responseMs);
    fetcher.setMaxFetchTime(opts->maxFetchMs);
    PageFetcher::FetchedPage page = fetcher.fetch(opts->url, &watch);
    // As in a crawl: an undecodable page counts as empty and the reason is
    // shown as the last fetch error below; the exit status stays 0.
    if (!page.decodeFailure.empty()) fetcher.setLastFetchError(page.decodeFailure);
    // The text exactly as read (it is what the command is for); the report
    // lines come from the server and are escaped.
    std::cout << page.text << std::flush;
    const FetchOutcome& outcome = page.outcome;
    std::cerr << "Status: " << outcome.firstStatus << " -> " << outcome.finalStatus << "\n";
    for (std::size_t i = 0; i < outcome.hops.size(); ++i)
      std::cerr << "Hop " << i + 1 << ": " << outcome.hops[i].status << " " << terminalSafe(outcome.hops[i].target)
                << "\n";
    std::cerr << "Last fetch error: " << terminalSafe(fetcher.lastFetchError()) << "\n"
              << "Last redirect: " << terminalSafe(fetcher.lastRedirect()) << std::endl;
    return 0;
  });
}

}  // namespace crawlspect::cli
