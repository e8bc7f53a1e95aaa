#include "test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

namespace {

int boundPort(int fd) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

int listenLoopback(int backlog) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) throw std::runtime_error("bind failed");
  if (backlog >= 0) ::listen(fd, backlog);
  return fd;
}

}  // namespace

const TestCertificate& testCertificate() {
  static const TestCertificate cert = [] {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("crawlspect-cert-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    EVP_PKEY* key = EVP_RSA_gen(2048);
    X509* x = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), 3600L * 24 * 365);
    X509_set_pubkey(x, key);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                               0);
    X509_set_issuer_name(x, name);
    X509_sign(x, key, EVP_sha256());
    TestCertificate c{(dir / "cert.pem").string(), (dir / "key.pem").string()};
    FILE* f = std::fopen(c.certPath.c_str(), "w");
    PEM_write_X509(f, x);
    std::fclose(f);
    f = std::fopen(c.keyPath.c_str(), "w");
    PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(f);
    X509_free(x);
    EVP_PKEY_free(key);
    return c;
  }();
  return cert;
}

TestServer::TestServer(bool tls) : m_tls(tls) {
  if (tls) {
    const auto& cert = testCertificate();
    m_server = std::make_unique<httplib::SSLServer>(cert.certPath.c_str(), cert.keyPath.c_str());
  } else {
    m_server = std::make_unique<httplib::Server>();
  }
  m_server->set_keep_alive_max_count(1);
}

TestServer::~TestServer() { stop(); }

std::string TestServer::origin() const {
  return std::string(m_tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port);
}

std::string TestServer::url(const std::string& path) const { return origin() + path; }

void TestServer::count(const std::string& path) {
  std::lock_guard lock(m_hitsLock);
  ++m_hits[path];
}

int TestServer::hits(const std::string& path) const {
  std::lock_guard lock(m_hitsLock);
  auto it = m_hits.find(path);
  return it == m_hits.end() ? 0 : it->second;
}

TestServer& TestServer::page(const std::string& path, const std::string& html, const std::string& contentType) {
  m_server->Get(path, [this, html, contentType, path](const httplib::Request&, httplib::Response& res) {
    count(path);
    res.set_content(html, contentType.c_str());
  });
  return *this;
}

TestServer& TestServer::redirect(const std::string& path, const std::string& location, int status) {
  m_server->Get(path, [this, location, status, path](const httplib::Request&, httplib::Response& res) {
    count(path);
    res.status = status;
    res.set_header("Location", location);
    res.set_content("moved", "text/html");
  });
  return *this;
}

TestServer& TestServer::redirectChain(const std::string& prefix, int n, const std::string& finalLocation) {
  for (int i = 1; i <= n; ++i)
    redirect(prefix + "/" + std::to_string(i), i == n ? finalLocation : prefix + "/" + std::to_string(i + 1), 302);
  return *this;
}

TestServer& TestServer::status(const std::string& path, int code, const std::string& body) {
  m_server->Get(path, [this, code, body, path](const httplib::Request&, httplib::Response& res) {
    count(path);
    res.status = code;
    res.set_content(body, "text/html");
  });
  return *this;
}

TestServer& TestServer::slow(const std::string& path, const std::string& piece, int chunks, int delayMs) {
  auto stopping = m_stopping;
  m_server->Get(path, [this, piece, chunks, delayMs, path, stopping](const httplib::Request&, httplib::Response& res) {
    count(path);
    res.set_content_provider(piece.size() * static_cast<std::size_t>(chunks), "text/html",
                             [piece, delayMs, stopping](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                               for (int waited = 0; waited < delayMs; waited += 10) {
                                 if (*stopping) return false;
                                 std::this_thread::sleep_for(std::chrono::milliseconds(10));
                               }
                               (void)offset;
                               return sink.write(piece.data(), piece.size());
                             });
  });
  return *this;
}

TestServer& TestServer::endless(const std::string& path, int status) {
  auto stopping = m_stopping;
  m_server->Get(path, [this, path, status, stopping](const httplib::Request&, httplib::Response& res) {
    count(path);
    res.status = status;
    if (status >= 300 && status <= 399) res.set_header("Location", "/");
    res.set_chunked_content_provider("text/html", [stopping](std::size_t, httplib::DataSink& sink) {
      static const std::string block(64 * 1024, 'x');
      if (*stopping) return false;
      return sink.write(block.data(), block.size());
    });
  });
  return *this;
}

TestServer& TestServer::cutOff(const std::string& path, const std::string& sent, std::size_t announced) {
  m_server->Get(path, [this, path, sent, announced](const httplib::Request&, httplib::Response& res) {
    count(path);
    res.set_content_provider(announced, "text/html", [sent](std::size_t offset, std::size_t, httplib::DataSink& sink) {
      if (offset == 0) {
        sink.write(sent.data(), sent.size());
        return true;
      }
      return false;  // closes the connection mid-body
    });
  });
  return *this;
}

void TestServer::start() {
  m_port = m_server->bind_to_any_port("127.0.0.1");
  if (m_port <= 0) throw std::runtime_error("test server could not bind");
  m_thread = std::thread([this] { m_server->listen_after_bind(); });
  for (int i = 0; i < 500 && !m_server->is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void TestServer::stop() {
  *m_stopping = true;
  if (m_thread.joinable()) {
    m_server->stop();
    m_thread.join();
  }
}

SilentServer::SilentServer() {
  m_fd = listenLoopback(16);
  m_port = boundPort(m_fd);
}

SilentServer::~SilentServer() {
  if (m_fd >= 0) ::close(m_fd);
}

std::string SilentServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int refusedPort() {
  // The socket stays bound, never listening, for the rest of the process: a
  // connection to it is refused, and no server of a test running beside this
  // one can be given the same port.
  const int fd = listenLoopback(-1);
  return boundPort(fd);
}

}  // namespace testsupport
