#include "gui/dialogs/page_analysis_window.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <future>
#include <mutex>
#include <utility>

#include "test_server.h"
#include "window_parts.h"

using namespace crawlspect;
using namespace crawlspect::ui;

using testsupport::part;

namespace {

// Stand-ins for the page reader: fixed answers, so the counters can be checked
// against known texts whatever the page holds.
PageReaders fixedReaders() {
  PageReaders r;
  r.title = [](const std::string& page) { return page.empty() ? std::string() : std::string("Home page"); };
  r.metaDescription = [](const std::string& page) { return page.empty() ? std::string() : std::string("two\nlines"); };
  r.h1 = [](const std::string& page) { return page.empty() ? std::string() : std::string("Hello\r\n"); };
  r.h2 = [](const std::string& page) { return page.empty() ? std::string() : std::string("\r\n\r\n"); };
  r.h3 = [](const std::string&) { return std::string(); };
  return r;
}

template <class T>
T* part(const QObject* window, const char* name) {
  T* found = window->findChild<T*>(name);
  if (!found) qFatal("no %s in the window", name);
  return found;
}

QString count(const PageAnalysisWindow* window, const char* name) { return part<QLabel>(window, name)->text(); }
QString line(const PageAnalysisWindow* window, const char* name) { return part<QLineEdit>(window, name)->text(); }
QString text(const PageAnalysisWindow* window, const char* name) {
  return part<QPlainTextEdit>(window, name)->toPlainText();
}

}  // namespace

class PageAnalysisWindowTest : public QObject {
  Q_OBJECT

  testsupport::TestServer site;
  testsupport::TestServer textService{true};
  std::mutex targetLock;
  std::string serviceTarget;  // the last request line target the text service saw
  PageFetcher fetcher;

  // A service on this machine may be asked about the pages here.
  TextVersionService serviceHost() const {
    return {"127.0.0.1:" + std::to_string(textService.port()), testsupport::testCertificate().certPath};
  }

 private slots:
  void initTestCase() {
    site.page("/page",
              "<html><head><title>Home page</title></head><body>\n"
              "<img src=\"logo.png\" alt=\"Logo\" title=\"Our logo\">\n"
              "<img src='a.png' alt='A'><img src=\"hidden.png\">\n"
              "<img src=b.png>\n"
              "</body></html>");
    site.start();
    textService.raw().Get("/services/html2txt", [this](const httplib::Request& req, httplib::Response& res) {
      {
        std::lock_guard lock(targetLock);
        serviceTarget = req.target;
      }
      res.set_content("Plain text of " + req.get_param_value("url"), "text/plain");
    });
    textService.start();
  }

  void fillsEveryTabAndCounter() {
    const std::string url = site.url("/page?a=1&b=~");
    QPointer<PageAnalysisWindow> window =
        PageAnalysisWindow::showAnalysis(nullptr, fetcher, fixedReaders(), serviceHost(), url);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QVERIFY(!window->isModal());
    QCOMPARE(window->windowTitle(), QString("Analyze URL"));
    auto* tabs = part<QTabWidget>(window, "tabs");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(2), QString("Source"));

    QCOMPARE(line(window, "urlEdit"), QString::fromStdString(url));
    QCOMPARE(line(window, "titleEdit"), QString("Home page"));
    QCOMPARE(text(window, "descriptionEdit"), QString("two\nlines"));
    auto* h1 = part<QListWidget>(window, "h1List");
    QCOMPARE(h1->count(), 1);
    QCOMPARE(h1->item(0)->text(), QString("Hello"));
    auto* h2 = part<QListWidget>(window, "h2List");
    QCOMPARE(h2->count(), 2);
    QCOMPARE(h2->item(1)->text(), QString());
    QCOMPARE(part<QListWidget>(window, "h3List")->count(), 0);
    QVERIFY(text(window, "sourceEdit").contains("<title>Home page</title>"));
    QVERIFY(!text(window, "sourceEdit").contains('\r'));

    // The text service got the address as one encoded query value.
    {
      std::lock_guard lock(targetLock);
      const std::string port = std::to_string(site.port());
      QCOMPARE(serviceTarget, "/services/html2txt?url=http%3A%2F%2F127.0.0.1%3A" + port + "%2Fpage%3Fa%3D1%26b%3D%7E");
    }
    const QString contents = "Plain text of " + QString::fromStdString(url);
    QCOMPARE(text(window, "contentsEdit"), contents + "\n");

    QCOMPARE(count(window, "urlCount"), QString::number(url.size()));
    QCOMPARE(count(window, "titleCount"), QString("9"));
    QCOMPARE(count(window, "descriptionCount"), QString("10"));  // the break counts two
    QCOMPARE(count(window, "h1Count"), QString("7"));
    QCOMPARE(count(window, "h2Count"), QString("4"));
    QCOMPARE(count(window, "h3Count"), QString("0"));
    QCOMPARE(count(window, "contentsCount"),
             QString::number(contents.size() + 2));  // the fetch ends the line with CR LF

    // Back-to-back tags hide the second; unquoted src gives no row.
    auto* images = part<QTableWidget>(window, "imagesTable");
    QCOMPARE(images->rowCount(), 2);
    QCOMPARE(images->horizontalHeaderItem(0)->text(), QString("Image"));
    QCOMPARE(images->item(0, 0)->text(), QString("logo.png"));
    QCOMPARE(images->item(0, 1)->text(), QString("Logo"));
    QCOMPARE(images->item(0, 2)->text(), QString("Our logo"));
    QCOMPARE(images->item(1, 0)->text(), QString("a.png"));
    QCOMPARE(images->item(1, 1)->text(), QString("A"));

    // Every use is a window of its own, gone once closed.
    QPointer<PageAnalysisWindow> second =
        PageAnalysisWindow::showAnalysis(nullptr, fetcher, fixedReaders(), serviceHost(), url);
    QVERIFY(second && second != window && window->isVisible());
    window->close();
    second->close();
    QTRY_VERIFY(window.isNull() && second.isNull());
  }

  void failedFetchesLeaveTheUrlAndTheError() {
    const std::string url = "http://127.0.0.1:" + std::to_string(testsupport::refusedPort()) + "/";
    QPointer<PageAnalysisWindow> window =
        PageAnalysisWindow::showAnalysis(nullptr, fetcher, fixedReaders(), serviceHost(), url);
    QVERIFY(window && window->isVisible());
    QCOMPARE(line(window, "urlEdit"), QString::fromStdString(url));
    QCOMPARE(count(window, "urlCount"), QString::number(url.size()));
    QCOMPARE(line(window, "titleEdit"), QString());
    QCOMPARE(count(window, "titleCount"), QString("0"));
    QCOMPARE(part<QTableWidget>(window, "imagesTable")->rowCount(), 0);
    // The page gave nothing, so the service was not asked; the reason shows instead.
    const QString error = text(window, "contentsEdit");
    QVERIFY(!fetcher.lastFetchError().empty());
    QCOMPARE(error, QString::fromStdString(noTextVersionAfterFailedFetch(fetcher.lastFetchError())));
    QCOMPARE(count(window, "contentsCount"), QString::number(error.size()));
    window->close();
  }

  void aReaderErrorStillShowsTheWindow() {
    PageReaders readers = fixedReaders();
    readers.h2 = [](const std::string&) -> std::string { throw std::runtime_error("reader failed"); };
    QPointer<PageAnalysisWindow> window =
        PageAnalysisWindow::showAnalysis(nullptr, fetcher, readers, serviceHost(), site.url("/page"));
    QVERIFY(window && window->isVisible());
    QCOMPARE(line(window, "titleEdit"), QString("Home page"));
    QCOMPARE(part<QListWidget>(window, "h1List")->count(), 1);
    QCOMPARE(text(window, "contentsEdit"), QString());
    QCOMPARE(count(window, "urlCount"), QString("0"));
    QCOMPARE(part<QTableWidget>(window, "imagesTable")->rowCount(), 0);
    window->close();
  }

  // The fetches run while the program goes on handling its events; a window
  // that asked and went away meanwhile gets no analysis window.
  void staysLiveWhileItFetches() {
    // Each page answers once its gate opens, or after 5 s: a GUI thread that
    // blocked on the fetch would never get to open it.
    std::promise<void> firstGate, secondGate;
    testsupport::TestServer slowSite;
    for (auto [path, gate] : {std::pair{"/first", &firstGate}, std::pair{"/second", &secondGate}}) {
      slowSite.raw().Get(path, [opened = gate->get_future().share()](const httplib::Request&, httplib::Response& res) {
        opened.wait_for(std::chrono::seconds(5));
        res.set_content("<title>Slow</title>", "text/html");
      });
    }
    slowSite.start();

    bool waitCursorShown = false;
    QTimer::singleShot(100, [&] {
      waitCursorShown = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      firstGate.set_value();
    });
    QPointer<PageAnalysisWindow> window =
        PageAnalysisWindow::showAnalysis(nullptr, fetcher, fixedReaders(), serviceHost(), slowSite.url("/first"));
    QVERIFY(waitCursorShown);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(window && window->isVisible());
    QCOMPARE(line(window, "titleEdit"), QString("Home page"));
    window->close();

    auto* owner = new QWidget;
    owner->show();
    QTimer::singleShot(100, [&] {
      delete owner;
      secondGate.set_value();
    });
    QVERIFY(!PageAnalysisWindow::showAnalysis(owner, fetcher, fixedReaders(), serviceHost(), slowSite.url("/second")));
  }

  void noUrlNoWindow() {
    QVERIFY(!PageAnalysisWindow::showAnalysis(nullptr, fetcher, fixedReaders(), serviceHost(), ""));
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!w->isVisible());
  }
};

QTEST_MAIN(PageAnalysisWindowTest)
#include "page_analysis_window_test.moc"
