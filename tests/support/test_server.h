#pragma once
// In-process HTTP and HTTPS servers on 127.0.0.1 with ports chosen by the OS.
// Add routes, then start(); the server stops when the object goes away.
#include <httplib.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace testsupport {

class TestServer {
 public:
  explicit TestServer(bool tls = false);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // Address of a path on this server, e.g. url("/a") -> "http://127.0.0.1:PORT/a".
  std::string url(const std::string& path = "/") const;
  std::string origin() const;  // scheme, host and port without a path
  int port() const { return m_port; }
  httplib::Server& raw() { return *m_server; }

  // Routes (all GET).
  TestServer& page(const std::string& path, const std::string& html, const std::string& contentType = "text/html");
  TestServer& redirect(const std::string& path, const std::string& location, int status = 301);
  // /prefix/1 -> /prefix/2 -> ... -> /prefix/n -> final (n redirect responses).
  TestServer& redirectChain(const std::string& prefix, int n, const std::string& finalLocation);
  TestServer& status(const std::string& path, int status, const std::string& body = "error page");
  // Sends `chunks` pieces of `piece`, sleeping delayMs before each.
  TestServer& slow(const std::string& path, const std::string& piece, int chunks, int delayMs);
  // Sends bytes forever (until the client goes away), with this status and,
  // for a redirect status, a Location to the root.
  TestServer& endless(const std::string& path, int status = 200);
  // Announces a length, sends `sent` of it, then closes the connection.
  TestServer& cutOff(const std::string& path, const std::string& sent, std::size_t announced);

  void start();
  void stop();
  int hits(const std::string& path) const;

 private:
  void count(const std::string& path);
  bool m_tls;
  std::unique_ptr<httplib::Server> m_server;
  std::thread m_thread;
  int m_port = 0;
  mutable std::mutex m_hitsLock;
  std::map<std::string, int> m_hits;
  std::shared_ptr<std::atomic<bool>> m_stopping = std::make_shared<std::atomic<bool>>(false);
};

// Accepts connections and never answers.
class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  int port() const { return m_port; }
  std::string url(const std::string& path = "/") const;

 private:
  int m_fd = -1;
  int m_port = 0;
};

// A loopback port with nothing listening on it, held for the rest of the process.
int refusedPort();

// Paths of a self-signed certificate and key made for the tests (once per process).
struct TestCertificate {
  std::string certPath;
  std::string keyPath;
};
const TestCertificate& testCertificate();

}  // namespace testsupport
