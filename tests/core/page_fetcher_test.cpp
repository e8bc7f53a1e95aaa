#include "core/crawl/page_fetcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "process.h"
#include "test_server.h"

using crawlspect::PageFetcher;
using crawlspect::StopWatch;
using testsupport::TestServer;

namespace {

class FetchOverBothSchemes : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    server = std::make_unique<TestServer>(GetParam());
    server->page("/page", "<html>\n<title>Hi</title>\n</html>")
        .status("/missing", 404, "<h1>gone</h1>")
        .redirectChain("/eight", 8, "/page")
        .redirectChain("/nine", 9, "/page")
        .redirect("/rel", "/en/")
        .page("/en/", "english")
        .redirect("/to-file", "file:///etc/passwd")
        .page("/lf", "one\ntwo\nthree")
        .page("/mixed", "a\r\nb\rc\nd\r\n");
    server->start();
  }
  std::unique_ptr<TestServer> server;
  PageFetcher fetcher;
};

TEST_P(FetchOverBothSchemes, PageTextHasCrLfAfterEveryLine) {
  EXPECT_EQ(fetcher.fetchPage(server->url("/page")), "<html>\r\n<title>Hi</title>\r\n</html>\r\n");
  EXPECT_EQ(fetcher.fetchPage(server->url("/lf")), "one\r\ntwo\r\nthree\r\n");
  EXPECT_EQ(fetcher.fetchPage(server->url("/mixed")), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(fetcher.lastFetchError(), "");
}

TEST_P(FetchOverBothSchemes, ErrorStatusGivesEmptyTextAndStatusLine) {
  EXPECT_EQ(fetcher.fetchPage(server->url("/missing")), "");
  EXPECT_EQ(fetcher.lastFetchError(), "HTTP/1.1 404 Not Found");
  // A later success leaves the last error alone.
  EXPECT_FALSE(fetcher.fetchPage(server->url("/page")).empty());
  EXPECT_EQ(fetcher.lastFetchError(), "HTTP/1.1 404 Not Found");
}

TEST_P(FetchOverBothSchemes, EightRedirectsAreFollowedNineAreNot) {
  fetcher.setLastFetchError("before");
  EXPECT_EQ(fetcher.fetchPage(server->url("/eight/1")), "<html>\r\n<title>Hi</title>\r\n</html>\r\n");
  EXPECT_EQ(fetcher.lastRedirect(), server->url("/page"));
  EXPECT_EQ(fetcher.fetchPage(server->url("/nine/1")), "");
  EXPECT_EQ(fetcher.lastFetchError(), "before");
  EXPECT_EQ(server->hits("/page"), 1);
  EXPECT_EQ(server->hits("/nine/9"), 1);
  EXPECT_EQ(fetcher.lastRedirect(), server->url("/page"));  // the ninth is still reported
}

TEST_P(FetchOverBothSchemes, RelativeRedirectIsRecordedAbsolute) {
  EXPECT_EQ(fetcher.fetchPage(server->url("/rel")), "english\r\n");
  EXPECT_EQ(fetcher.lastRedirect(), server->url("/en/"));
}

TEST_P(FetchOverBothSchemes, RedirectToAnotherSchemeIsRefused) {
  EXPECT_EQ(fetcher.fetchPage(server->url("/to-file")), "");
  EXPECT_NE(fetcher.lastFetchError().find("file:///etc/passwd"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(HttpAndHttps, FetchOverBothSchemes, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "https" : "http"; });

TEST(PageFetcher, BareHostToWwwToHttpsChain) {
  // Two servers stand in for the bare host and the https site.
  TestServer tls(true);
  tls.page("/", "final page");
  tls.start();
  TestServer plain;
  plain.redirect("/", "/www/").redirect("/www/", tls.url("/"));
  plain.start();
  PageFetcher fetcher;
  EXPECT_EQ(fetcher.fetchPage(plain.url("/")), "final page\r\n");
  EXPECT_EQ(fetcher.lastRedirect(), tls.url("/"));
}

TEST(PageFetcher, SendsAcceptAndOnlyAConfiguredAgent) {
  TestServer server;
  std::string agent = "unset", accept;
  server.raw().Get("/", [&](const httplib::Request& req, httplib::Response& res) {
    agent = req.has_header("User-Agent") ? req.get_header_value("User-Agent") : "<none>";
    accept = req.get_header_value("Accept");
    res.set_content("ok", "text/plain");
  });
  server.start();
  PageFetcher fetcher;
  fetcher.fetchPage(server.url("/"));
  EXPECT_EQ(agent, "<none>");
  EXPECT_EQ(accept, "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
  fetcher.setUserAgent("TestBot/1.0");
  fetcher.fetchPage(server.url("/"));
  EXPECT_EQ(agent, "TestBot/1.0");
}

TEST(PageFetcher, StopCutsTransferKeepsReceivedBytesAndAsksForEnd) {
  TestServer server;
  server.slow("/big", std::string(1000, 'a') + "\n", 200, 20);
  server.start();
  PageFetcher fetcher;
  std::atomic<bool> stop{false};
  int cutOffs = 0;
  StopWatch watch{&stop, [&] { ++cutOffs; }};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
  });
  const auto start = std::chrono::steady_clock::now();
  const std::string text = fetcher.fetchPage(server.url("/big"), &watch);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_FALSE(text.empty());
  EXPECT_LT(text.size(), 200u * 1002u);
  EXPECT_EQ(text.substr(0, 3), "aaa");
  EXPECT_EQ(cutOffs, 1);
  // A fetch without a watch is not cut off by the raised request.
  server.page("/small", "x");
  EXPECT_EQ(fetcher.fetchPage(server.url("/big")).size(), 200u * 1002u);
}

TEST(PageFetcher, SilentServerEndsAfterResponseTimeout) {
  testsupport::SilentServer silent;
  PageFetcher fetcher;
  fetcher.setTimeouts(1000, 800);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(fetcher.fetchPage(silent.url("/")), "");
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(700));
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_EQ(fetcher.lastFetchError(), "Read timed out.");
}

TEST(PageFetcher, RefusedPortAndCutConnectionAreFailures) {
  PageFetcher fetcher;
  EXPECT_EQ(fetcher.fetchPage("http://127.0.0.1:" + std::to_string(testsupport::refusedPort()) + "/"), "");
  EXPECT_NE(fetcher.lastFetchError().find("onnect"), std::string::npos) << fetcher.lastFetchError();

  TestServer server;
  server.cutOff("/cut", "partial body", 100000);
  server.start();
  fetcher.setLastFetchError("");
  EXPECT_EQ(fetcher.fetchPage(server.url("/cut")), "partial body\r\n");
  EXPECT_FALSE(fetcher.lastFetchError().empty());
}

TEST(PageFetcher, EndlessBodyIsCutAtTheLimit) {
  TestServer server;
  server.endless("/endless");
  server.start();
  PageFetcher fetcher;
  fetcher.setBodyLimit(1u << 20);
  const std::string text = fetcher.fetchPage(server.url("/endless"));
  EXPECT_EQ(text.size(), (1u << 20) + 2);
  EXPECT_NE(fetcher.lastFetchError().find("larger than"), std::string::npos);
}

// Servers that would keep a fetch going forever: each fetch must end within
// its limits (1 MiB body cap, 1.5 s for the whole fetch, a stop after 300 ms)
// with the error of the limit that ended it.
struct EndlessCase {
  const char* name;
  std::function<void(TestServer&)> route;  // serves "/"
  bool stopAfter300Ms;
  const char* error;  // a part of the last fetch error
  std::size_t textAtLeast;
};

void PrintTo(const EndlessCase& c, std::ostream* os) { *os << c.name; }

class EndlessFetch : public ::testing::TestWithParam<EndlessCase> {};

TEST_P(EndlessFetch, EndsWithinItsLimits) {
  const EndlessCase& c = GetParam();
  TestServer server;
  c.route(server);
  server.start();
  PageFetcher fetcher;
  fetcher.setBodyLimit(1u << 20);
  // Time-outs well above the fetch limit, so that a pause of a loaded machine
  // is not mistaken for the limit under test.
  fetcher.setTimeouts(3000, 3000);
  fetcher.setMaxFetchTime(1500);
  std::atomic<bool> stop{false};
  const StopWatch watch{&stop, nullptr};
  std::thread stopper([&] {
    if (!c.stopAfter300Ms) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = true;
  });
  const auto start = std::chrono::steady_clock::now();
  const std::string text = fetcher.fetchPage(server.url("/"), &watch);
  stopper.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(fetcher.lastFetchError().find(c.error), std::string::npos) << fetcher.lastFetchError();
  EXPECT_GE(text.size(), c.textAtLeast);
  EXPECT_LE(text.size(), (1u << 20) + 2);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, EndlessFetch,
    ::testing::Values(
        EndlessCase{"endless_404", [](TestServer& s) { s.endless("/", 404); }, false, "larger than 1048576", 0},
        EndlessCase{"endless_500", [](TestServer& s) { s.endless("/", 500); }, false, "larger than 1048576", 0},
        EndlessCase{"endless_302", [](TestServer& s) { s.endless("/", 302); }, false, "larger than 1048576", 0},
        // 1,000 bytes a second: far above the low-speed floor, never a pause.
        EndlessCase{"drip", [](TestServer& s) { s.slow("/", std::string(100, 'd'), 100000, 100); }, false,
                    "longer than 1500 ms", 100},
        EndlessCase{"drip_redirects",
                    [](TestServer& s) {
                      s.raw().Get("/", [](const httplib::Request&, httplib::Response& res) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(400));
                        res.set_redirect("/");
                      });
                    },
                    false, "longer than 1500 ms", 0},
        EndlessCase{"stop_during_drip", [](TestServer& s) { s.slow("/", "d", 100000, 100); }, true,
                    "Connection Closed Gracefully.", 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::string text;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }

class Decoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decoding, BytesAndByteOrderMarkDecide) {
  EXPECT_EQ(crawlspect::decodePageBytes(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, Decoding,
    ::testing::Values(DecodeCase{"utf8", "caf\xC3\xA9", "caf\xC3\xA9\r\n"},
                      DecodeCase{"utf8_bom",
                                 "\xEF\xBB\xBF"
                                 "caf\xC3\xA9",
                                 "caf\xC3\xA9\r\n"},
                      DecodeCase{"latin1", "caf\xE9 na\xEFve", "caf\xC3\xA9 na\xC3\xAFve\r\n"},
                      DecodeCase{"cp1252_quotes", "\x93q\x94 \x80", "\xE2\x80\x9Cq\xE2\x80\x9D \xE2\x82\xAC\r\n"},
                      DecodeCase{"utf16le_bom",
                                 std::string("\xFF\xFE"
                                             "h\0i\0\n\0\xE9\0",
                                             10),
                                 "hi\r\n\xC3\xA9\r\n"},
                      DecodeCase{"utf16be_bom", std::string("\xFE\xFF\0h\0i", 6), "hi\r\n"},
                      DecodeCase{"nul_ends_text", std::string("ab\0cd\nef", 8), "ab"}, DecodeCase{"empty", "", ""},
                      DecodeCase{"blank_lines", "a\n\n", "a\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Decoding, BrokenUtf16Raises) {
  EXPECT_THROW(crawlspect::decodePageBytes(std::string("\xFF\xFE\x00\xD8", 4)), crawlspect::DecodeError);
}

TEST(FetchCommand, PrintsTextThenErrorAndRedirect) {
  TestServer server;
  server.redirect("/", "/home").page("/home", "a\nb").status("/404", 404);
  server.start();
  auto r = testsupport::runProcess({testsupport::cliPath(), "fetch", server.url("/")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "a\r\nb\r\n");
  EXPECT_EQ(r.err, "Status: 301 -> 200\nHop 1: 301 " + server.url("/home") +
                       "\nLast fetch error: \nLast redirect: " + server.url("/home") + "\n");
  r = testsupport::runProcess({testsupport::cliPath(), "fetch", server.url("/404")});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Status: 404 -> 404\nLast fetch error: HTTP/1.1 404 Not Found\nLast redirect: \n");
  r = testsupport::runProcess({testsupport::cliPath(), "fetch"});
  EXPECT_EQ(r.exitCode, 2);
  r = testsupport::runProcess({testsupport::cliPath(), "fetch", "x", "--response-timeout", "abc"});
  EXPECT_EQ(r.exitCode, 2);
}

}  // namespace
