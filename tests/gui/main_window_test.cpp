#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <filesystem>

#include "gui/mainwindow/main_window.h"
#include "gui/mainwindow/audit_view.h"
#include "temp_dir.h"
#include "test_server.h"

using namespace crawlspect;
using namespace crawlspect::ui;

class AppFormTest : public QObject {
  Q_OBJECT

  struct Message {
    std::string title, text;
  };
  std::vector<Message> messages;
  testsupport::TempDir dir;
  testsupport::TestServer site;

  std::unique_ptr<MainWindow> makeForm(const std::string& project = {}) {
    auto form = std::make_unique<MainWindow>(AppSetup{dir.path().string(), dir.file("no-template.db"), project});
    form->show();
    form->openStartupProject();
    return form;
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
    auto form = makeForm();
    QCOMPARE(form->m_resultTabs->count(), 8);
    QCOMPARE(form->m_resultTabs->currentIndex(), 0);
    QCOMPARE(form->m_resultTabs->tabText(0), QString("SEO Audit"));
    QCOMPARE(form->m_resultTabs->tabText(7), QString("Anchor List"));
    QCOMPARE(form->m_checkButton->text(), QString("Check"));
    QVERIFY(form->findChild<QLineEdit*>("startUrlEdit"));
    QVERIFY(form->findChild<QTreeView*>("anchorsView"));
    QVERIFY(!form->m_timeoutsLine->isVisible());
    QTest::mouseClick(form->m_showOptionsCheck, Qt::LeftButton);
    QVERIFY(form->m_timeoutsLine->isVisible() && form->m_ignoreExtensionsLine->isVisible() && form->m_ignoreUrlsPanel->isVisible());
    QTRY_COMPARE(form->m_startUrlEdit->selectedText(), form->m_startUrlEdit->text());
  }

  void crawlFromTheWindow() {
    auto form = makeForm();
    form->m_startUrlEdit->setText(QString::fromStdString(site.url("/")));
    QTest::mouseClick(form->m_checkButton, Qt::LeftButton);
    QCOMPARE(form->m_checkButton->text(), QString("STOP"));
    QVERIFY(!form->m_scopeLine->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(form->m_checkButton->text(), QString("Check"), 20000);
    QVERIFY(form->m_scopeLine->isEnabled());
    QCOMPARE(form->m_internalUrlsView->model()->rowCount(), 3);
    QCOMPARE(form->m_internalUrlsView->model()->index(1, 0).data().toString(), QString::fromStdString(site.url("/a")));
    QVERIFY(!form->m_internalUrlsView->model()->index(2, 1).data().toString().isEmpty());
    QCOMPARE(form->m_statusPanels[0]->text(), QString("Total URLs: 3"));
    QCOMPARE(form->m_statusPanels[1]->text(), QString("3 / 3"));
    QCOMPARE(form->m_statusPanels[2]->text(), QString());
    QVERIFY(messages.empty());
  }

  void resultsDetailsAndExports() {
    auto form = makeForm();
    form->m_startUrlEdit->setText(QString::fromStdString(site.url("/")));
    QTest::mouseClick(form->m_checkButton, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(form->m_checkButton->text(), QString("Check"), 20000);
    QTRY_VERIFY(!form->refreshRunning() && form->m_titlesView->model()->rowCount() > 0);

    // Found Titles: "Home" twice, the untitled page on its own; the audit names the repeat.
    auto* titles = form->m_titlesView->model();
    QCOMPARE(titles->rowCount(), 2);
    QCOMPARE(titles->index(0, 0).data().toString(), QString("Home"));
    QCOMPARE(titles->index(0, 1).data().toString(), QString("2"));
    QVERIFY2(form->m_auditView->allText().find("Title is not unique (Home)\r\n") != std::string::npos,
             form->m_auditView->allText().c_str());
    QCOMPARE(form->m_summaryView->model()->rowCount(), 6);
    form->m_auditView->setCurrentIndex(form->m_auditView->model()->index(0, 0));
    form->findChild<QAction*>("copySelectedAuditAction")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("Title is not unique (Home)\r\n"));

    // A link's sources, and a page's details.
    const QString b = QString::fromStdString(site.url("/b"));
    auto* links = form->m_foundLinksView->model();
    int row = 0;
    while (row < links->rowCount() && links->index(row, 0).data().toString() != b) ++row;
    QVERIFY(row < links->rowCount());
    form->m_foundLinksView->setCurrentIndex(links->index(row, 0));
    QCOMPARE(form->m_linkSourcesCaption->text(), b);
    QCOMPARE(form->m_linkSourcesView->model()->rowCount(), 2);
    form->m_internalUrlsView->setCurrentIndex(form->m_internalUrlsView->model()->index(0, 0));
    QCOMPARE(form->m_pageTitleBox->toPlainText(), QString("Home"));
    QCOMPARE(form->m_titleLengthLabel->text(), QString("Length: 4"));

    // Exports: CSV by extension, with the BOM and CR LF; a folder that cannot be written is reported.
    const std::string csv = dir.file("titles.CSV");
    form->m_chooseFile = [&](const QString&) { return QString::fromStdString(csv); };
    QTest::mouseClick(form->findChild<QPushButton*>("exportTitlesButton"), Qt::LeftButton);
    const std::string written = testsupport::readFile(csv);
    QVERIFY2(written.rfind("\xEF\xBB\xBFTitle", 0) == 0, written.c_str());
    QVERIFY(written.find("Home") != std::string::npos && written.find("\r\n") != std::string::npos);
    messages.clear();
    testsupport::writeFile(dir.file("plain"), "x");
    form->m_chooseFile = [&](const QString&) { return QString::fromStdString(dir.file("plain") + "/x.csv"); };
    QTest::mouseClick(form->findChild<QPushButton*>("exportSitemapButton"), Qt::LeftButton);
    QCOMPARE(messages.size(), size_t(1));
    QVERIFY(messages[0].text.find("x.csv") != std::string::npos);
    messages.clear();
  }

  void projectsSavedOpenedAndLoadedInACopy() {
    std::string saved = dir.file("my project.db");
    {
      auto form = makeForm();
      form->m_startUrlEdit->setText(QString::fromStdString(site.url("/")));
      QTest::mouseClick(form->m_checkButton, Qt::LeftButton);
      QTRY_COMPARE_WITH_TIMEOUT(form->m_checkButton->text(), QString("Check"), 20000);
      form->m_chooseFile = [&](const QString& dialog) {
        return dialog == "saveProjectDialog" ? QString::fromStdString(saved) : QString();
      };
      form->findChild<QAction*>("saveProjectAction")->trigger();
      QVERIFY(std::filesystem::exists(saved));

      std::vector<std::string> started;
      QtDesktop::setProgramCopySink([&](const std::vector<std::string>& args) { started = args; });
      form->m_chooseFile = [&](const QString& dialog) {
        return dialog == "openProjectDialog" ? QString::fromStdString(saved) : QString();
      };
      form->findChild<QAction*>("loadProjectAction")->trigger();
      QtDesktop::setProgramCopySink({});
      QCOMPARE(started, std::vector<std::string>{saved});
    }
    // The copy started with that path opens it: the list in crawl order, the lists refreshed.
    auto form = makeForm(saved);
    QCOMPARE(form->m_internalUrlsView->model()->rowCount(), 3);
    QCOMPARE(form->m_internalUrlsView->model()->index(0, 0).data().toString(), QString::fromStdString(site.url("/")));
    QCOMPARE(form->m_internalUrlsView->model()->index(0, 1).data().toString(), QString());
    QTRY_COMPARE(form->m_foundLinksView->model()->rowCount(), 3);
  }

  void enterInAnEmptyFieldWarns() {
    auto form = makeForm();
    messages.clear();
    form->m_startUrlEdit->setText("   ");
    QTest::keyClick(form->m_startUrlEdit, Qt::Key_Return);
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].title, std::string("Warning"));
    QCOMPARE(messages[0].text, std::string("Please enter Start URL!"));
    QCOMPARE(form->m_checkButton->text(), QString("Check"));

    // A time-out that is not a whole number starts no run either.
    messages.clear();
    form->m_startUrlEdit->setText(QString::fromStdString(site.url("/")));
    form->m_responseTimeoutEdit->setText("");
    const int hitsBefore = site.hits("/");
    QTest::keyClick(form->m_startUrlEdit, Qt::Key_Return);
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].text, std::string("'' is not a valid integer value"));
    QCOMPARE(form->m_checkButton->text(), QString("Check"));
    QCOMPARE(site.hits("/"), hitsBefore);
    form->m_responseTimeoutEdit->setText("10000");
    messages.clear();
  }

  void optionsAreStoredAndComeBack() {
    {
      auto form = makeForm();
      form->m_connectionTimeoutEdit->setText("2500");
      form->m_ignoreUrlsEdit->setPlainText("http://a/\n\nhttp://b/");
      form->m_pageLimitSpin->setValue(77);
      form->m_hostScopeRadio->setChecked(true);
      form->m_removeAnchorsCheck->setChecked(false);
    }
    const std::string ini = testsupport::readFile(dir.file("settings.ini"));
    QVERIFY2(ini.find("ConnectionTimeout=2500") != std::string::npos, ini.c_str());
    QVERIFY(ini.find("PageLimit=77") != std::string::npos);
    auto form = makeForm();
    QCOMPARE(form->m_connectionTimeoutEdit->text(), QString("2500"));
    QCOMPARE(form->m_ignoreUrlsEdit->toPlainText(), QString("http://a/\n\nhttp://b/"));
    QCOMPARE(form->m_pageLimitSpin->value(), 77);
    QVERIFY(form->m_hostScopeRadio->isChecked());
    QVERIFY(!form->m_removeAnchorsCheck->isChecked());
    form->m_domainScopeRadio->setChecked(true);
    form->m_removeAnchorsCheck->setChecked(true);
  }

  void lookupMenuFromTheButtonAndFromFoundLinks() {
    auto form = makeForm();
    const auto actions = form->m_lookupMenu->actions();
    QVERIFY(actions.size() > 5);
    QCOMPARE(actions[0]->text(), QString("Check"));
    QVERIFY(actions[0]->font().bold());
    QCOMPARE(actions[1]->text(), QString("Copy URL"));
    form->m_startUrlEdit->setText("http://start.example/page");
    emit form->m_lookupMenu->aboutToShow();
    actions[1]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("http://start.example/page"));

    // From the Found Links list, "Check" takes the selected link into the field.
    form->m_startUrlEdit->setText(QString::fromStdString(site.url("/")));
    QTest::mouseClick(form->m_checkButton, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(form->m_checkButton->text(), QString("Check"), 20000);
    QTRY_VERIFY(form->m_foundLinksView->model()->rowCount() > 0);
    form->m_foundLinksView->setCurrentIndex(form->m_foundLinksView->model()->index(0, 0));
    const QString link = form->m_foundLinksView->model()->index(0, 0).data().toString();
    emit form->m_foundLinksView->customContextMenuRequested(QPoint(1, 1));
    form->m_lookupMenu->hide();
    actions[1]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), link);
  }

  void stopAndCloseDuringARun() {
    auto form = makeForm();
    form->m_startUrlEdit->setText(QString::fromStdString(site.url("/slow")));
    // The start URL's first fetch (it takes five seconds here) runs off the
    // window's thread: the window stays live, and STOP cuts the fetch off.
    QTest::mouseClick(form->m_checkButton, Qt::LeftButton);
    QCOMPARE(form->m_checkButton->text(), QString("STOP"));
    QTest::qWait(300);
    QTest::mouseClick(form->m_checkButton, Qt::LeftButton);
    QCOMPARE(form->m_checkButton->text(), QString("Stopping..."));
    QVERIFY(!form->m_checkButton->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(form->m_checkButton->text(), QString("Check"), 2000);

    // Closing while a page is being fetched: stopped, joined, working file gone.
    QTest::mouseClick(form->m_checkButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(form->m_statusPanels[2]->text().startsWith("Loading: "), 15000);
    const std::string working = form->workingFile();
    QVERIFY(std::filesystem::exists(working));
    form->close();
    QVERIFY(!form->crawlRun().active());
    QVERIFY(!std::filesystem::exists(working));
  }
};

QTEST_MAIN(AppFormTest)
#include "main_window_test.moc"
