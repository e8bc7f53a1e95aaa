#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <mutex>

#include "core/platform/loop_desktop.h"
#include "gui/dialogs/page_analysis_window.h"
#include "test_server.h"

using namespace crawlspect;
using namespace crawlspect::ui;

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

QString label(TAnalyzeForm* form, const char* name) { return form->findChild<QLabel*>(name)->text(); }

}  // namespace

class AnalyzeFormTest : public QObject {
  Q_OBJECT

  testsupport::TestServer site;
  testsupport::TestServer textService{true};
  std::mutex targetLock;
  std::string serviceTarget;  // the last request line target the text service saw
  LoopDesktop desktop;
  PageFetcher fetcher;

  std::string serviceHost() const { return "127.0.0.1:" + std::to_string(textService.port()); }

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
    QPointer<TAnalyzeForm> form =
        TAnalyzeForm::showAnalysis(nullptr, desktop, fetcher, fixedReaders(), serviceHost(), url);
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QVERIFY(form->isWindow());
    QVERIFY(!form->isModal());
    QCOMPARE(form->windowTitle(), QString("Analyze URL"));
    QCOMPARE(form->PageControl1->count(), 3);
    QCOMPARE(form->PageControl1->tabText(2), QString("Source"));

    QCOMPARE(form->Edit1->text(), QString::fromStdString(url));
    QCOMPARE(form->Edit2->text(), QString("Home page"));
    QCOMPARE(form->Memo4->toPlainText(), QString("two\nlines"));
    QCOMPARE(form->ListBox1->count(), 1);
    QCOMPARE(form->ListBox1->item(0)->text(), QString("Hello"));
    QCOMPARE(form->ListBox2->count(), 2);
    QCOMPARE(form->ListBox2->item(1)->text(), QString());
    QCOMPARE(form->ListBox3->count(), 0);
    QVERIFY(form->Memo1->toPlainText().contains("<title>Home page</title>"));
    QVERIFY(!form->Memo1->toPlainText().contains('\r'));

    // The text service got the address as one encoded query value.
    {
      std::lock_guard lock(targetLock);
      const std::string port = std::to_string(site.port());
      QCOMPARE(serviceTarget, "/services/html2txt?url=http%3A%2F%2F127.0.0.1%3A" + port + "%2Fpage%3Fa%3D1%26b%3D%7E");
    }
    const QString contents = "Plain text of " + QString::fromStdString(url);
    QCOMPARE(form->Memo3->toPlainText(), contents + "\n");

    QCOMPARE(label(form, "Label8"), QString::number(url.size()));
    QCOMPARE(label(form, "Label9"), QString("9"));
    QCOMPARE(label(form, "Label10"), QString("10"));  // the break counts two
    QCOMPARE(label(form, "Label11"), QString("7"));
    QCOMPARE(label(form, "Label13"), QString("4"));
    QCOMPARE(label(form, "Label14"), QString("0"));
    QCOMPARE(label(form, "Label12"), QString::number(contents.size() + 2));  // the fetch ends the line with CR LF

    // Back-to-back tags hide the second; unquoted src gives no row.
    QCOMPARE(form->ListView1->rowCount(), 2);
    QCOMPARE(form->ListView1->horizontalHeaderItem(0)->text(), QString("Image"));
    QCOMPARE(form->ListView1->item(0, 0)->text(), QString("logo.png"));
    QCOMPARE(form->ListView1->item(0, 1)->text(), QString("Logo"));
    QCOMPARE(form->ListView1->item(0, 2)->text(), QString("Our logo"));
    QCOMPARE(form->ListView1->item(1, 0)->text(), QString("a.png"));
    QCOMPARE(form->ListView1->item(1, 1)->text(), QString("A"));

    // Every use is a window of its own, gone once closed.
    QPointer<TAnalyzeForm> second =
        TAnalyzeForm::showAnalysis(nullptr, desktop, fetcher, fixedReaders(), serviceHost(), url);
    QVERIFY(second && second != form && form->isVisible());
    form->close();
    second->close();
    QTRY_VERIFY(form.isNull() && second.isNull());
  }

  void failedFetchesLeaveTheUrlAndTheError() {
    const std::string url = "http://127.0.0.1:" + std::to_string(testsupport::refusedPort()) + "/";
    const std::string nowhere = "127.0.0.1:" + std::to_string(testsupport::refusedPort());
    QPointer<TAnalyzeForm> form = TAnalyzeForm::showAnalysis(nullptr, desktop, fetcher, fixedReaders(), nowhere, url);
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->Edit1->text(), QString::fromStdString(url));
    QCOMPARE(label(form, "Label8"), QString::number(url.size()));
    QCOMPARE(form->Edit2->text(), QString());
    QCOMPARE(label(form, "Label9"), QString("0"));
    QCOMPARE(form->ListView1->rowCount(), 0);
    const QString error = form->Memo3->toPlainText();
    QVERIFY(!error.isEmpty());
    QCOMPARE(error, QString::fromStdString(fetcher.lastFetchError()));
    QCOMPARE(label(form, "Label12"), QString::number(error.size()));
    form->close();
  }

  void aReaderErrorStillShowsTheWindow() {
    PageReaders readers = fixedReaders();
    readers.h2 = [](const std::string&) -> std::string { throw std::runtime_error("reader failed"); };
    QPointer<TAnalyzeForm> form =
        TAnalyzeForm::showAnalysis(nullptr, desktop, fetcher, readers, serviceHost(), site.url("/page"));
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->Edit2->text(), QString("Home page"));
    QCOMPARE(form->ListBox1->count(), 1);
    QCOMPARE(form->Memo3->toPlainText(), QString());
    QCOMPARE(label(form, "Label8"), QString("0"));
    QCOMPARE(form->ListView1->rowCount(), 0);
    form->close();
  }

  void noUrlNoWindow() {
    QVERIFY(!TAnalyzeForm::showAnalysis(nullptr, desktop, fetcher, fixedReaders(), serviceHost(), ""));
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!w->isVisible());
  }
};

QTEST_MAIN(AnalyzeFormTest)
#include "page_analysis_window_test.moc"
