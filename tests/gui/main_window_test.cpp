#include "gui/mainwindow/main_window.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>

#include "core/crawl/crawl_run.h"
#include "gui/mainwindow/audit_view.h"
#include "gui/mainwindow/options_panel.h"
#include "temp_dir.h"
#include "test_server.h"

using namespace crawlspect;
using namespace crawlspect::ui;

namespace {

// A control of the window by its object name. A missing one is a failure
// named here, and the run stops rather than dereference nothing.
template <class W>
W* child(QObject* root, const char* name) {
  W* found = root->findChild<W*>(name);
  if (!QTest::qVerify(found != nullptr, name, "control not found", __FILE__, __LINE__)) qFatal("no control %s", name);
  return found;
}

QAbstractItemModel* listOf(QObject* root, const char* viewName) { return child<QTreeView>(root, viewName)->model(); }

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  struct Message {
    std::string title, text;
  };
  std::vector<Message> messages;
  testsupport::TempDir dir;
  testsupport::TestServer site;

  std::unique_ptr<MainWindow> makeWindow(const std::string& project = {}) {
    auto window = std::make_unique<MainWindow>(AppSetup{dir.path().string(), dir.file("no-template.db"), project});
    window->show();
    window->openStartupProject();
    return window;
  }

  // Starts a crawl of `url` with the Check button and waits for its end.
  void crawl(MainWindow* window, const std::string& url) {
    child<QLineEdit>(window, "startUrlEdit")->setText(QString::fromStdString(url));
    auto* check = child<QToolButton>(window, "checkButton");
    QTest::mouseClick(check, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(check->text(), QString("Check"), 20000);
  }

 private slots:
  void initTestCase() {
    QtDesktop::setMessageSink([this](const std::string& title, const std::string& text, MessageIcon) {
      messages.push_back({title, text});
    });
    site.page("/", "<title>Home</title><a href=\"/a\">A</a> <a href=\"/b\">B</a>")
        .page("/a", "<title>Home</title><a href=\"/b\">B</a>")
        .page("/b", "<a href=\"/\">home</a>")
        .slow("/slow", "<a href=\"/a\">A</a>", 100, 50);
    site.start();
  }

  void startsWithTheAuditTabAndTheControlsNamed() {
    auto window = makeWindow();
    auto* tabs = child<QTabWidget>(window.get(), "resultTabs");
    QCOMPARE(tabs->count(), 9);
    QCOMPARE(tabs->tabText(8), QString("Response Codes"));
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(0), QString("SEO Audit"));
    QCOMPARE(tabs->tabText(7), QString("Anchor List"));
    QCOMPARE(child<QToolButton>(window.get(), "checkButton")->text(), QString("Check"));
    QVERIFY(child<QTreeView>(window.get(), "anchorsView"));
    auto* timeoutsLine = child<QWidget>(window.get(), "timeoutsLine");
    QVERIFY(!timeoutsLine->isVisible());
    QTest::mouseClick(child<QCheckBox>(window.get(), "showOptionsCheck"), Qt::LeftButton);
    QVERIFY(timeoutsLine->isVisible() && child<QWidget>(window.get(), "ignoreExtensionsLine")->isVisible() &&
            child<QWidget>(window.get(), "ignoreUrlsPanel")->isVisible());
    auto* startUrl = child<QLineEdit>(window.get(), "startUrlEdit");
    QTRY_COMPARE(startUrl->selectedText(), startUrl->text());
  }

  void crawlFromTheWindow() {
    auto window = makeWindow();
    child<QLineEdit>(window.get(), "startUrlEdit")->setText(QString::fromStdString(site.url("/")));
    auto* check = child<QToolButton>(window.get(), "checkButton");
    auto* scopeLine = child<QWidget>(window.get(), "scopeLine");
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(check->text(), QString("STOP"));
    QVERIFY(!scopeLine->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(check->text(), QString("Check"), 20000);
    QVERIFY(scopeLine->isEnabled());
    auto* urls = listOf(window.get(), "internalUrlsView");
    QCOMPARE(urls->rowCount(), 3);
    QCOMPARE(urls->index(1, 0).data().toString(), QString::fromStdString(site.url("/a")));
    QVERIFY(!urls->index(2, 1).data().toString().isEmpty());
    QCOMPARE(child<QLabel>(window.get(), "urlTotalStatus")->text(), QString("Total URLs: 3"));
    QCOMPARE(child<QLabel>(window.get(), "positionStatus")->text(), QString("3 / 3"));
    QCOMPARE(child<QLabel>(window.get(), "loadingStatus")->text(), QString());
    QVERIFY(messages.empty());
  }

  void resultsDetailsAndExports() {
    auto window = makeWindow();
    crawl(window.get(), site.url("/"));
    auto* titles = listOf(window.get(), "titlesView");
    QTRY_VERIFY(!window->refreshRunning() && titles->rowCount() > 0);

    // Found Titles: "Home" twice, the untitled page on its own; the audit names the repeat.
    QCOMPARE(titles->rowCount(), 2);
    QCOMPARE(titles->index(0, 0).data().toString(), QString("Home"));
    QCOMPARE(titles->index(0, 1).data().toString(), QString("2"));
    auto* audit = child<AuditView>(window.get(), "auditView");
    QVERIFY2(audit->allText().find("Title is not unique (Home)\r\n") != std::string::npos, audit->allText().c_str());
    QCOMPARE(listOf(window.get(), "summaryView")->rowCount(), 12);
    audit->setCurrentIndex(audit->model()->index(0, 0));
    child<QAction>(window.get(), "copySelectedAuditAction")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("Title is not unique (Home)\r\n"));

    // A link's sources, and a page's details.
    const QString b = QString::fromStdString(site.url("/b"));
    auto* foundLinks = child<QTreeView>(window.get(), "foundLinksView");
    auto* links = foundLinks->model();
    int row = 0;
    while (row < links->rowCount() && links->index(row, 0).data().toString() != b) ++row;
    QVERIFY(row < links->rowCount());
    foundLinks->setCurrentIndex(links->index(row, 0));
    QCOMPARE(child<QLabel>(window.get(), "linkSourcesCaption")->text(), b);
    QCOMPARE(listOf(window.get(), "linkSourcesView")->rowCount(), 2);
    auto* internalUrls = child<QTreeView>(window.get(), "internalUrlsView");
    internalUrls->setCurrentIndex(internalUrls->model()->index(0, 0));
    QCOMPARE(child<QPlainTextEdit>(window.get(), "pageTitleBox")->toPlainText(), QString("Home"));
    QCOMPARE(child<QLabel>(window.get(), "titleLengthLabel")->text(), QString("Length: 4"));
    // "Copy URL" on the internal URL list copies the selected row's URL.
    child<QAction>(window.get(), "copyInternalUrlAction")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(site.url("/")));

    // Exports: CSV by extension, with the BOM and CR LF; a folder that cannot be written is reported.
    const std::string csv = dir.file("titles.CSV");
    window->setFileChooser([&](const QString&) { return QString::fromStdString(csv); });
    QTest::mouseClick(child<QPushButton>(window.get(), "exportTitlesButton"), Qt::LeftButton);
    const std::string written = testsupport::readFile(csv);
    QVERIFY2(written.rfind("\xEF\xBB\xBFTitle", 0) == 0, written.c_str());
    QVERIFY(written.find("Home") != std::string::npos && written.find("\r\n") != std::string::npos);
    messages.clear();
    testsupport::writeFile(dir.file("plain"), "x");
    window->setFileChooser([&](const QString&) { return QString::fromStdString(dir.file("plain") + "/x.csv"); });
    QTest::mouseClick(child<QPushButton>(window.get(), "exportSitemapButton"), Qt::LeftButton);
    QCOMPARE(messages.size(), size_t(1));
    QVERIFY(messages[0].text.find("x.csv") != std::string::npos);
    messages.clear();
  }

  void projectsSavedOpenedAndLoadedInACopy() {
    std::string saved = dir.file("my project.db");
    {
      auto window = makeWindow();
      crawl(window.get(), site.url("/"));
      window->setFileChooser([&](const QString& dialog) {
        return dialog == "saveProjectDialog" ? QString::fromStdString(saved) : QString();
      });
      child<QAction>(window.get(), "saveProjectAction")->trigger();
      QVERIFY(std::filesystem::exists(saved));

      std::vector<std::string> started;
      QtDesktop::setProgramCopySink([&](const std::vector<std::string>& args) { started = args; });
      window->setFileChooser([&](const QString& dialog) {
        return dialog == "openProjectDialog" ? QString::fromStdString(saved) : QString();
      });
      child<QAction>(window.get(), "loadProjectAction")->trigger();
      QtDesktop::setProgramCopySink({});
      QCOMPARE(started, std::vector<std::string>{saved});
    }
    // The copy started with that path opens it: the list in crawl order, the lists refreshed.
    auto window = makeWindow(saved);
    auto* urls = listOf(window.get(), "internalUrlsView");
    QCOMPARE(urls->rowCount(), 3);
    QCOMPARE(urls->index(0, 0).data().toString(), QString::fromStdString(site.url("/")));
    // Load times come back from the saved fetches.
    QVERIFY(!urls->index(0, 1).data().toString().isEmpty());
    QTRY_COMPARE(listOf(window.get(), "foundLinksView")->rowCount(), 3);
  }

  // Every fetch in the Response Codes tab: filtered by class, a URL's
  // redirect chain and the pages linking to it with their anchor texts.
  void responseCodesShowChainsAndInlinks() {
    testsupport::TestServer other;
    // "localhost" is another site than 127.0.0.1: its link is external.
    const std::string external = "http://localhost:" + std::to_string(site.port()) + "/a";
    other.page("/", "<a href=\"/gone\">first</a> <a href=\"/moved\">m</a> <a href=\"" + external + "\">out</a>")
        .page("/end", "<a href=\"/gone\">second</a>")
        .status("/gone", 404)
        .redirect("/moved", "/end", 302);
    other.start();
    auto window = makeWindow();
    auto* checkExternal = child<QCheckBox>(window.get(), "checkExternalCheck");
    QVERIFY(!checkExternal->isChecked());
    checkExternal->setChecked(true);
    crawl(window.get(), other.url("/"));
    auto* rows = listOf(window.get(), "responseCodesView");
    // The redirect's target is crawled as a page of its own.
    QTRY_VERIFY(!window->refreshRunning() && rows->rowCount() == 5);
    QCOMPARE(listOf(window.get(), "summaryView")->index(8, 1).data().toString(), QString("1"));  // Responses 4xx

    auto* filter = child<QComboBox>(window.get(), "responseClassCombo");
    filter->setCurrentText("4xx");
    QCOMPARE(rows->rowCount(), 1);
    QCOMPARE(rows->index(0, 0).data().toString(), QString::fromStdString(other.url("/gone")));
    QCOMPARE(rows->index(0, 1).data().toString(), QString("404"));
    auto* view = child<QTreeView>(window.get(), "responseCodesView");
    view->setCurrentIndex(rows->index(0, 0));
    auto* inlinks = listOf(window.get(), "responseInlinksView");
    QCOMPARE(inlinks->rowCount(), 2);
    QCOMPARE(inlinks->index(0, 1).data().toString(), QString("first"));
    QCOMPARE(inlinks->index(1, 0).data().toString(), QString::fromStdString(other.url("/end")));
    QCOMPARE(inlinks->index(1, 1).data().toString(), QString("second"));

    filter->setCurrentText("3xx");
    QCOMPARE(rows->rowCount(), 1);
    QCOMPARE(rows->index(0, 2).data().toString(), QString::fromStdString(other.url("/end")));
    view->setCurrentIndex(rows->index(0, 0));
    auto* chain = listOf(window.get(), "redirectChainView");
    QCOMPARE(chain->rowCount(), 1);
    QCOMPARE(chain->index(0, 1).data().toString(), QString::fromStdString(other.url("/end")));
    QCOMPARE(chain->index(0, 2).data().toString(), QString("302"));
    filter->setCurrentText("Failed");
    QCOMPARE(rows->rowCount(), 0);
    filter->setCurrentText("External");
    QCOMPARE(rows->rowCount(), 1);
    QCOMPARE(rows->index(0, 0).data().toString(), QString::fromStdString(external));
    QCOMPARE(rows->index(0, 1).data().toString(), QString("200"));
    QVERIFY(messages.empty());
    // The box is a stored option; the tests after this one run without it.
    QVERIFY(testsupport::readFile(dir.file("settings.ini")).find("CheckExternalLinks=1") != std::string::npos);
    checkExternal->setChecked(false);
  }

  void aStartUrlThatCannotBeFetchedIsTold() {
    auto window = makeWindow();
    messages.clear();
    crawl(window.get(), "http://127.0.0.1:" + std::to_string(testsupport::refusedPort()) + "/");
    QTRY_COMPARE(messages.size(), size_t(1));
    QVERIFY2(messages[0].text.rfind("Start URL failed: connect: ", 0) == 0, messages[0].text.c_str());
    messages.clear();
  }

  void enterInAnEmptyFieldWarns() {
    auto window = makeWindow();
    auto* startUrl = child<QLineEdit>(window.get(), "startUrlEdit");
    auto* check = child<QToolButton>(window.get(), "checkButton");
    messages.clear();
    startUrl->setText("   ");
    QTest::keyClick(startUrl, Qt::Key_Return);
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].title, std::string("Warning"));
    QCOMPARE(messages[0].text, std::string("Please enter Start URL!"));
    QCOMPARE(check->text(), QString("Check"));

    // A time-out that is not a whole number starts no run either.
    messages.clear();
    startUrl->setText(QString::fromStdString(site.url("/")));
    auto* responseTimeout = child<QLineEdit>(window.get(), "responseTimeoutEdit");
    responseTimeout->setText("");
    const int hitsBefore = site.hits("/");
    QTest::keyClick(startUrl, Qt::Key_Return);
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].title, std::string("Crawlspect"));
    QCOMPARE(messages[0].text, std::string("'' is not a valid integer value"));
    QCOMPARE(check->text(), QString("Check"));
    QCOMPARE(site.hits("/"), hitsBefore);
    responseTimeout->setText("10000");
    messages.clear();
  }

  void optionsAreStoredAndComeBack() {
    {
      auto window = makeWindow();
      child<QLineEdit>(window.get(), "connectionTimeoutEdit")->setText("2500");
      child<QPlainTextEdit>(window.get(), "ignoreUrlsEdit")->setPlainText("http://a/\n\nhttp://b/");
      child<QSpinBox>(window.get(), "pageLimitSpin")->setValue(77);
      child<QRadioButton>(window.get(), "hostScopeRadio")->setChecked(true);
      child<QCheckBox>(window.get(), "removeAnchorsCheck")->setChecked(false);
    }
    const std::string ini = testsupport::readFile(dir.file("settings.ini"));
    QVERIFY2(ini.find("ConnectionTimeout=2500") != std::string::npos, ini.c_str());
    QVERIFY(ini.find("PageLimit=77") != std::string::npos);
    auto window = makeWindow();
    QCOMPARE(child<QLineEdit>(window.get(), "connectionTimeoutEdit")->text(), QString("2500"));
    QCOMPARE(child<QPlainTextEdit>(window.get(), "ignoreUrlsEdit")->toPlainText(), QString("http://a/\n\nhttp://b/"));
    QCOMPARE(child<QSpinBox>(window.get(), "pageLimitSpin")->value(), 77);
    QVERIFY(child<QRadioButton>(window.get(), "hostScopeRadio")->isChecked());
    QVERIFY(!child<QCheckBox>(window.get(), "removeAnchorsCheck")->isChecked());
    child<QRadioButton>(window.get(), "domainScopeRadio")->setChecked(true);
    child<QCheckBox>(window.get(), "removeAnchorsCheck")->setChecked(true);
  }

  void linkRulesAreAnOptionStandardByDefault() {
    {
      auto window = makeWindow();
      auto* rules = child<QComboBox>(window.get(), "linkRulesCombo");
      QCOMPARE(rules->currentText(), QString("Standard"));
      bool captioned = false;
      for (auto* label : window->findChildren<QLabel*>()) captioned |= label->text() == "Link rules";
      QVERIFY(captioned);
      rules->setCurrentText("Classic");
    }
    QVERIFY(testsupport::readFile(dir.file("settings.ini")).find("LinkRules=Classic") != std::string::npos);
    auto window = makeWindow();
    auto* rules = child<QComboBox>(window.get(), "linkRulesCombo");
    QCOMPARE(rules->currentText(), QString("Classic"));
    rules->setCurrentText("Standard");
  }

  void parallelRequestsAndRequestRateAreStoredOptions() {
    {
      auto window = makeWindow();
      auto* parallel = child<QSpinBox>(window.get(), "parallelRequestsSpin");
      auto* rate = child<QDoubleSpinBox>(window.get(), "maxRateSpin");
      QCOMPARE(parallel->value(), 1);
      QCOMPARE(rate->value(), 0.0);
      parallel->setValue(99);  // kept within 1..32
      rate->setValue(2.5);
      QStringList captions;
      for (auto* label : window->findChildren<QLabel*>()) captions << label->text();
      QVERIFY(captions.contains("Parallel requests"));
      QVERIFY(captions.contains("Max requests per second"));
    }
    const std::string ini = testsupport::readFile(dir.file("settings.ini"));
    QVERIFY(ini.find("ParallelRequests=32") != std::string::npos);
    QVERIFY(ini.find("MaxRequestsPerSecond=2.5") != std::string::npos);
    auto window = makeWindow();
    QCOMPARE(child<QSpinBox>(window.get(), "parallelRequestsSpin")->value(), 32);
    QCOMPARE(child<QDoubleSpinBox>(window.get(), "maxRateSpin")->value(), 2.5);
    child<QSpinBox>(window.get(), "parallelRequestsSpin")->setValue(1);
    child<QDoubleSpinBox>(window.get(), "maxRateSpin")->setValue(0);
  }

  // Report by default; each choice reaches the run's settings and is stored.
  void robotsTxtChoiceReachesTheRun() {
    auto window = makeWindow();
    auto* robots = child<QComboBox>(window.get(), "robotsTxtCombo");
    auto* panel = window->findChild<crawlspect::ui::OptionsPanel*>("optionsPanel");
    QVERIFY(panel);
    QCOMPARE(robots->currentText(), QString("Report"));
    const std::pair<const char*, crawlspect::RobotsMode> choices[] = {{"Obey", crawlspect::RobotsMode::Obey},
                                                                      {"Ignore", crawlspect::RobotsMode::Ignore},
                                                                      {"Report", crawlspect::RobotsMode::Report}};
    for (const auto& [caption, mode] : choices) {
      robots->setCurrentText(caption);
      crawlspect::CrawlSettings settings;
      QVERIFY(!panel->fillCrawlSettings(settings));
      QVERIFY(settings.robots == mode);
      QVERIFY(testsupport::readFile(dir.file("settings.ini")).find(std::string("RobotsTxt=") + caption) !=
              std::string::npos);
    }
  }

  // The page drips for five seconds, well within both time-outs: only the
  // field's limit can end its fetch, and the fetch error names that limit.
  void maxFetchTimeReachesTheRun() {
    auto window = makeWindow();
    auto* maxFetchTime = child<QLineEdit>(window.get(), "maxFetchTimeEdit");
    QCOMPARE(maxFetchTime->text(), QString("60000"));
    maxFetchTime->setText("700");
    crawl(window.get(), site.url("/slow"));
    QCOMPARE(window->fetcher().lastFetchError(),
             std::string("The fetch took longer than 700 ms; the rest was not read."));
    QVERIFY(testsupport::readFile(dir.file("settings.ini")).find("MaxFetchTime=700") != std::string::npos);

    // Not a whole number: no run, as with the time-outs.
    messages.clear();
    maxFetchTime->setText("");
    const int hitsBefore = site.hits("/slow");
    QTest::mouseClick(child<QToolButton>(window.get(), "checkButton"), Qt::LeftButton);
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].text, std::string("'' is not a valid integer value"));
    QCOMPARE(site.hits("/slow"), hitsBefore);
    maxFetchTime->setText("60000");
    messages.clear();
  }

  void lookupMenuFromTheButtonAndFromFoundLinks() {
    auto window = makeWindow();
    auto* lookupMenu = child<QMenu>(window.get(), "lookupMenu");
    const auto actions = lookupMenu->actions();
    QVERIFY(actions.size() > 5);
    QCOMPARE(actions[0]->text(), QString("Check"));
    QVERIFY(actions[0]->font().bold());
    QCOMPARE(actions[1]->text(), QString("Copy URL"));
    child<QLineEdit>(window.get(), "startUrlEdit")->setText("http://start.example/page");
    emit lookupMenu->aboutToShow();
    actions[1]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("http://start.example/page"));

    // From the Found Links list, "Check" takes the selected link into the field.
    crawl(window.get(), site.url("/"));
    auto* foundLinks = child<QTreeView>(window.get(), "foundLinksView");
    QTRY_VERIFY(foundLinks->model()->rowCount() > 0);
    foundLinks->setCurrentIndex(foundLinks->model()->index(0, 0));
    const QString link = foundLinks->model()->index(0, 0).data().toString();
    emit foundLinks->customContextMenuRequested(QPoint(1, 1));
    lookupMenu->hide();
    actions[1]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), link);
  }

  void stopAndCloseDuringARun() {
    auto window = makeWindow();
    child<QLineEdit>(window.get(), "startUrlEdit")->setText(QString::fromStdString(site.url("/slow")));
    auto* check = child<QToolButton>(window.get(), "checkButton");
    // The start URL's first fetch (it takes five seconds here) runs off the
    // window's thread: the window stays live, and STOP cuts the fetch off.
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(check->text(), QString("STOP"));
    QTest::qWait(300);
    QTest::mouseClick(check, Qt::LeftButton);
    QCOMPARE(check->text(), QString("Stopping..."));
    QVERIFY(!check->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(check->text(), QString("Check"), 2000);

    // Closing while a page is being fetched: stopped, joined, working file gone.
    QTest::mouseClick(check, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(child<QLabel>(window.get(), "loadingStatus")->text().startsWith("Loading: "), 15000);
    const std::string working = window->workingFile();
    QVERIFY(std::filesystem::exists(working));
    window->close();
    QVERIFY(!window->crawlRun().active());
    QVERIFY(!std::filesystem::exists(working));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
