#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "core/store/database.h"
#include "process.h"
#include "temp_dir.h"
#include "test_server.h"

using testsupport::cliPath;
using testsupport::runProcess;

namespace {

// Nothing listens here: a command line that is wrongly accepted fails fast.
const std::string kUrl = "http://127.0.0.1:1/";

const std::string kProgramHelp = "Try 'crawlspect-cli --help' for more information.";
const std::string kCrawlHelp = "Try 'crawlspect-cli help crawl' for more information.";

std::vector<std::string> commandLine(const std::vector<std::string>& args) {
  std::vector<std::string> argv{cliPath()};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

struct Case {
  std::vector<std::string> args;
  int exitCode;
  // Standard output exactly; or, with sameOutputAs, a line that the output of
  // those arguments, which this one must equal, contains.
  std::string out;
  std::vector<std::string> sameOutputAs;
  // Standard error: the problem and the pointer to help, or nothing.
  std::string problem;
  std::string pointer;
};

TEST(CliConventions, VersionHelpAndOneLineAnswersToBadCommandLines) {
  const std::string version = "crawlspect-cli " + std::to_string(CRAWLSPECT_VERSION_MAJOR) + "." +
                              std::to_string(CRAWLSPECT_VERSION_MINOR) + "." +
                              std::to_string(CRAWLSPECT_VERSION_PATCH) + "." + std::to_string(CRAWLSPECT_VERSION_TWEAK);
  const std::string range =
      std::to_string(crawlspect::kPageLimitMin) + " to " + std::to_string(crawlspect::kPageLimitMax);
  const std::vector<Case> cases = {
      {{"--version"}, 0, version + "\n", {}, "", ""},
      {{"help"}, 0, "Usage: crawlspect-cli [OPTIONS] SUBCOMMAND", {"--help"}, "", ""},
      {{"help", "crawl"}, 0, "Usage: crawlspect-cli crawl [OPTIONS] START_URL", {"crawl", "--help"}, "", ""},
      {{"help", "nosuch"}, 2, "", {}, "crawlspect-cli: unknown command \"nosuch\"", kProgramHelp},
      {{"crawll", kUrl}, 2, "", {}, "crawlspect-cli: unknown command \"crawll\"", kProgramHelp},
      {{}, 2, "", {}, "crawlspect-cli: missing command (fetch, crawl, analyze or report)", kProgramHelp},
      {{"crawl"}, 2, "", {}, "crawlspect-cli: missing START_URL", kCrawlHelp},
      {{"crawl", "  "}, 2, "", {}, "crawlspect-cli: START_URL is empty", kCrawlHelp},
      {{"crawl", kUrl, "--limit", "abc"},
       2,
       "",
       {},
       "crawlspect-cli: --limit: \"abc\" is not a whole number",
       kCrawlHelp},
      {{"crawl", kUrl, "--limit", "0"},
       2,
       "",
       {},
       "crawlspect-cli: --limit: \"0\" is not in the range " + range,
       kCrawlHelp},
      {{"crawl", kUrl, "--limit"}, 2, "", {}, "crawlspect-cli: --limit: missing value", kCrawlHelp},
      {{"crawl", kUrl, "--scope", "site"},
       2,
       "",
       {},
       "crawlspect-cli: --scope: \"site\" is not one of domain, subdomain",
       kCrawlHelp},
      {{"crawl", kUrl, "--bogus"}, 2, "", {}, "crawlspect-cli: unknown option \"--bogus\"", kCrawlHelp},
      {{"fetch", kUrl, "--connection-timeout", "99999999999"},
       2,
       "",
       {},
       "crawlspect-cli: --connection-timeout: \"99999999999\" is too large",
       "Try 'crawlspect-cli help fetch' for more information."},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& arg : c.args) shown += " " + arg;
    SCOPED_TRACE("crawlspect-cli" + shown);
    const auto r = runProcess(commandLine(c.args));
    EXPECT_EQ(r.exitCode, c.exitCode);
    if (c.sameOutputAs.empty()) {
      EXPECT_EQ(r.out, c.out);
    } else {
      const std::string reference = runProcess(commandLine(c.sameOutputAs)).out;
      EXPECT_NE(reference.find(c.out + "\n"), std::string::npos) << reference;
      EXPECT_EQ(r.out, reference);
    }
    // At most two lines: the problem, then where to read more.
    EXPECT_EQ(r.err, c.problem.empty() ? "" : c.problem + "\n" + c.pointer + "\n");
  }
}

// Texts of a hostile site reach the terminal as visible escapes; the project
// keeps the exact bytes.
TEST(CliConventions, ControlCharactersOfSiteTextsAreEscaped) {
  testsupport::TestServer site;
  site.page("/",
            "<title>A\x1b[31mB\r\nFake: line</title>\n"
            "<a href=\"/p\x1b]0;owned\x07\">x</a>\n"
            "<img src=\"s.png\" alt=\"a\tb\xC2\x9B"
            "c\">");
  site.start();
  testsupport::TempDir dir;
  const auto saved = runProcess(
      {cliPath(), "crawl", site.url("/"), "--link-rules", "classic", "--limit", "2", "--project", dir.file("p.db")});
  EXPECT_NE(saved.err.find("Loading: " + site.url("/p\\x1b]0;owned\\x07")), std::string::npos) << saved.err;
  const std::string noService = "127.0.0.1:" + std::to_string(testsupport::refusedPort());
  const std::string badUrl = site.url("/#\x1b[2J");
  const auto analyzeUrl = runProcess({cliPath(), "analyze", badUrl, "--html2txt-host", noService});
  EXPECT_EQ(analyzeUrl.out.rfind("URL (" + std::to_string(badUrl.size()) + "): " + site.url("/#\\x1b[2J\n"), 0), 0u)
      << analyzeUrl.out;
  const auto analyze = runProcess({cliPath(), "analyze", site.url("/"), "--html2txt-host", noService});
  EXPECT_NE(analyze.out.find("\ns.png\ta\tb\\x9bc\t\n"), std::string::npos) << analyze.out;
  for (const auto* output : {&saved.out, &saved.err, &analyzeUrl.out, &analyze.out}) {
    EXPECT_EQ(output->find('\x1b'), std::string::npos) << *output;
    EXPECT_EQ(output->find('\x07'), std::string::npos) << *output;
    EXPECT_EQ(output->find("\xC2\x9B"), std::string::npos) << *output;
  }
  crawlspect::Database db;
  db.connect(dir.file("p.db"));
  EXPECT_EQ(db.query("SELECT COUNT(*) FROM LINKS WHERE LINK = ?", {site.url("/p\x1b]0;owned\x07")}).text(0, 0), "1");
}

}  // namespace
