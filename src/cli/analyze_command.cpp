#include <atomic>
#include <iostream>
#include <memory>

#include "cli/cli.h"
#include "cli/interrupt_to_stop.h"
#include "cli/terminal_text.h"
#include "core/analysis/page_analysis.h"
#include "core/lookups/service_addresses.h"
#include "core/platform/data_folder.h"
#include "core/platform/text.h"
#include "core/settings/settings_file.h"

namespace crawlspect::cli {

namespace {

struct AnalyzeOptions {
  std::string url;
  std::string agent;
  int connectMs = 10000;
  int responseMs = 10000;
  int maxFetchMs = PageFetcher::kDefaultMaxFetchMs;
  std::string html2txtHost;
  std::string html2txtCaFile;
};

void printLine(const char* label, std::size_t count, const std::string& value) {
  std::cout << label << " (" << count << "): " << terminalSafe(value) << "\n";
}

void printBlock(const char* label, std::size_t count, const std::vector<std::string>& lines) {
  std::cout << label << " (" << count << "):\n";
  for (const std::string& line : lines) std::cout << (line.empty() ? "" : "  ") << terminalSafe(line) << "\n";
}

}  // namespace

void addAnalyzeCommand(CLI::App& app, Commands& commands) {
  auto opts = std::make_shared<AnalyzeOptions>();
  auto* cmd = app.add_subcommand("analyze", "Analyze one page as the Analyze URL window shows it");
  cmd->add_option("URL", opts->url, "Address of the page")->required();
  cmd->add_option("--agent", opts->agent, "User-Agent header (none when empty)");
  cmd->add_option("--connection-timeout", opts->connectMs, "Connection time-out in milliseconds");
  cmd->add_option("--response-timeout", opts->responseMs, "Response time-out in milliseconds");
  cmd->add_option("--max-fetch-time", opts->maxFetchMs, "Longest time each fetch may take, in milliseconds");
  cmd->add_option("--html2txt-host", opts->html2txtHost,
                  "Host of the text-rendering service (default: Html2TxtHost of settings.ini, else www.w3.org)");
  cmd->add_option("--html2txt-ca-file", opts->html2txtCaFile,
                  "PEM file of certificates trusted for the text-rendering service (default: Html2TxtCAFile of "
                  "settings.ini, else the system's)");
  commands.emplace_back(cmd, [opts] {
    if (opts->url.empty()) return 0;
    TextVersionService service{opts->html2txtHost, opts->html2txtCaFile};
    if (service.host.empty() || service.caFile.empty()) {
      const SettingsFile settings(dataPlaces(programIdentity()).settingsFile);
      const ServiceHosts hosts = ServiceHosts::from(settings);
      if (service.host.empty()) service.host = hosts.html2txtHost;
      if (service.caFile.empty()) service.caFile = hosts.html2txtCaFile;
    }
    // Ctrl+C cuts the fetch under way off and asks for nothing more.
    std::atomic<bool> stop{false};
    InterruptToStop interrupt;
    interrupt.watch([&stop] { stop = true; });
    const StopWatch watch{&stop, nullptr};
    PageFetcher fetcher;
    fetcher.setUserAgent(opts->agent);
    fetcher.setTimeouts(opts->connectMs, opts->responseMs);
    fetcher.setMaxFetchTime(opts->maxFetchMs);
    const PageAnalysis a = analyzePage(opts->url, fetcher, standardPageReaders(), service, &watch);

    printLine("URL", a.counters.url, a.url);
    printLine("Title", a.counters.title, a.title);
    printBlock("Description", a.counters.description, splitLines(a.description));
    printBlock("H1", a.counters.h1, a.h1);
    printBlock("H2", a.counters.h2, a.h2);
    printBlock("H3", a.counters.h3, a.h3);
    printBlock("Contents", a.counters.contents, splitLines(a.contents));
    std::cout << "Image\tAlt\tTitle\n";
    for (const ImageRow& row : a.images)
      std::cout << terminalSafe(row.image) << "\t" << terminalSafe(row.alt) << "\t" << terminalSafe(row.title) << "\n";
    std::cout << std::flush;
    return 0;
  });
}

}  // namespace crawlspect::cli
