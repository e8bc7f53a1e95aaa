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

  std::unique_ptr<TAppForm> makeForm(const std::string& project = {}) {
    auto form = std::make_unique<TAppForm>(AppSetup{dir.path().string(), dir.file("no-template.db"), project});
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
    QCOMPARE(form->PageControl1->count(), 8);
    QCOMPARE(form->PageControl1->currentIndex(), 0);
    QCOMPARE(form->PageControl1->tabText(0), QString("SEO Audit"));
    QCOMPARE(form->PageControl1->tabText(7), QString("Anchor List"));
    QCOMPARE(form->BitBtn1->text(), QString("Check"));
    QVERIFY(form->findChild<QLineEdit*>("Edit1"));
    QVERIFY(form->findChild<QTreeView*>("ListView13"));
    QVERIFY(!form->Panel4->isVisible());
    QTest::mouseClick(form->CheckBox1, Qt::LeftButton);
    QVERIFY(form->Panel4->isVisible() && form->Panel5->isVisible() && form->Panel7->isVisible());
    QTRY_COMPARE(form->Edit1->selectedText(), form->Edit1->text());
  }

  void crawlFromTheWindow() {
    auto form = makeForm();
    form->Edit1->setText(QString::fromStdString(site.url("/")));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QCOMPARE(form->BitBtn1->text(), QString("STOP"));
    QVERIFY(!form->Panel2->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(form->BitBtn1->text(), QString("Check"), 20000);
    QVERIFY(form->Panel2->isEnabled());
    QCOMPARE(form->ListBox1->model()->rowCount(), 3);
    QCOMPARE(form->ListBox1->model()->index(1, 0).data().toString(), QString::fromStdString(site.url("/a")));
    QVERIFY(!form->ListBox1->model()->index(2, 1).data().toString().isEmpty());
    QCOMPARE(form->StatusPanel[0]->text(), QString("Total URLs: 3"));
    QCOMPARE(form->StatusPanel[1]->text(), QString("3 / 3"));
    QCOMPARE(form->StatusPanel[2]->text(), QString());
    QVERIFY(messages.empty());
  }

  void resultsDetailsAndExports() {
    auto form = makeForm();
    form->Edit1->setText(QString::fromStdString(site.url("/")));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(form->BitBtn1->text(), QString("Check"), 20000);
    QTRY_VERIFY(!form->refreshRunning() && form->ListView7->model()->rowCount() > 0);

    // Found Titles: "Home" twice, the untitled page on its own; the audit names the repeat.
    auto* titles = form->ListView7->model();
    QCOMPARE(titles->rowCount(), 2);
    QCOMPARE(titles->index(0, 0).data().toString(), QString("Home"));
    QCOMPARE(titles->index(0, 1).data().toString(), QString("2"));
    QVERIFY2(form->Memo6->allText().find("Title is not unique (Home)\r\n") != std::string::npos,
             form->Memo6->allText().c_str());
    QCOMPARE(form->ListView12->model()->rowCount(), 6);
    form->Memo6->setCurrentIndex(form->Memo6->model()->index(0, 0));
    form->findChild<QAction*>("Copy3")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("Title is not unique (Home)\r\n"));

    // A link's sources, and a page's details.
    const QString b = QString::fromStdString(site.url("/b"));
    auto* links = form->ListView1->model();
    int row = 0;
    while (row < links->rowCount() && links->index(row, 0).data().toString() != b) ++row;
    QVERIFY(row < links->rowCount());
    form->ListView1->setCurrentIndex(links->index(row, 0));
    QCOMPARE(form->Label10->text(), b);
    QCOMPARE(form->ListView2->model()->rowCount(), 2);
    form->ListBox1->setCurrentIndex(form->ListBox1->model()->index(0, 0));
    QCOMPARE(form->Memo3->toPlainText(), QString("Home"));
    QCOMPARE(form->Label11->text(), QString("Length: 4"));

    // Exports: CSV by extension, with the BOM and CR LF; a folder that cannot be written is reported.
    const std::string csv = dir.file("titles.CSV");
    form->m_chooseFile = [&](const QString&) { return QString::fromStdString(csv); };
    QTest::mouseClick(form->findChild<QPushButton*>("BitBtn3"), Qt::LeftButton);
    const std::string written = testsupport::readFile(csv);
    QVERIFY2(written.rfind("\xEF\xBB\xBFTitle", 0) == 0, written.c_str());
    QVERIFY(written.find("Home") != std::string::npos && written.find("\r\n") != std::string::npos);
    messages.clear();
    testsupport::writeFile(dir.file("plain"), "x");
    form->m_chooseFile = [&](const QString&) { return QString::fromStdString(dir.file("plain") + "/x.csv"); };
    QTest::mouseClick(form->findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
    QCOMPARE(messages.size(), size_t(1));
    QVERIFY(messages[0].text.find("x.csv") != std::string::npos);
    messages.clear();
  }

  void projectsSavedOpenedAndLoadedInACopy() {
    std::string saved = dir.file("my project.db");
    {
      auto form = makeForm();
      form->Edit1->setText(QString::fromStdString(site.url("/")));
      QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
      QTRY_COMPARE_WITH_TIMEOUT(form->BitBtn1->text(), QString("Check"), 20000);
      form->m_chooseFile = [&](const QString& dialog) {
        return dialog == "SaveDialogProject" ? QString::fromStdString(saved) : QString();
      };
      form->findChild<QAction*>("SaveProject1")->trigger();
      QVERIFY(std::filesystem::exists(saved));

      std::vector<std::string> started;
      QtDesktop::setProgramCopySink([&](const std::vector<std::string>& args) { started = args; });
      form->m_chooseFile = [&](const QString& dialog) {
        return dialog == "OpenDialogProject" ? QString::fromStdString(saved) : QString();
      };
      form->findChild<QAction*>("LoadProject1")->trigger();
      QtDesktop::setProgramCopySink({});
      QCOMPARE(started, std::vector<std::string>{saved});
    }
    // The copy started with that path opens it: the list in crawl order, the lists refreshed.
    auto form = makeForm(saved);
    QCOMPARE(form->ListBox1->model()->rowCount(), 3);
    QCOMPARE(form->ListBox1->model()->index(0, 0).data().toString(), QString::fromStdString(site.url("/")));
    QCOMPARE(form->ListBox1->model()->index(0, 1).data().toString(), QString());
    QTRY_COMPARE(form->ListView1->model()->rowCount(), 3);
  }

  void enterInAnEmptyFieldWarns() {
    auto form = makeForm();
    messages.clear();
    form->Edit1->setText("   ");
    QTest::keyClick(form->Edit1, Qt::Key_Return);
    QCOMPARE(messages.size(), size_t(1));
    QCOMPARE(messages[0].title, std::string("Warning"));
    QCOMPARE(messages[0].text, std::string("Please enter Start URL!"));
    QCOMPARE(form->BitBtn1->text(), QString("Check"));
    messages.clear();
  }

  void optionsAreStoredAndComeBack() {
    {
      auto form = makeForm();
      form->Edit3->setText("2500");
      form->Memo1->setPlainText("http://a/\n\nhttp://b/");
      form->SpinEdit1->setValue(77);
      form->RadioButton2->setChecked(true);
      form->CheckBox2->setChecked(false);
    }
    const std::string ini = testsupport::readFile(dir.file("settings.ini"));
    QVERIFY2(ini.find("ConnectionTimeout=2500") != std::string::npos, ini.c_str());
    QVERIFY(ini.find("PageLimit=77") != std::string::npos);
    auto form = makeForm();
    QCOMPARE(form->Edit3->text(), QString("2500"));
    QCOMPARE(form->Memo1->toPlainText(), QString("http://a/\n\nhttp://b/"));
    QCOMPARE(form->SpinEdit1->value(), 77);
    QVERIFY(form->RadioButton2->isChecked());
    QVERIFY(!form->CheckBox2->isChecked());
    form->RadioButton1->setChecked(true);
    form->CheckBox2->setChecked(true);
  }

  void lookupMenuFromTheButtonAndFromFoundLinks() {
    auto form = makeForm();
    const auto actions = form->PopupMenu1->actions();
    QVERIFY(actions.size() > 5);
    QCOMPARE(actions[0]->text(), QString("Check"));
    QVERIFY(actions[0]->font().bold());
    QCOMPARE(actions[1]->text(), QString("Copy URL"));
    form->Edit1->setText("http://start.example/page");
    emit form->PopupMenu1->aboutToShow();
    actions[1]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("http://start.example/page"));

    // From the Found Links list, "Check" takes the selected link into the field.
    form->Edit1->setText(QString::fromStdString(site.url("/")));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(form->BitBtn1->text(), QString("Check"), 20000);
    QTRY_VERIFY(form->ListView1->model()->rowCount() > 0);
    form->ListView1->setCurrentIndex(form->ListView1->model()->index(0, 0));
    const QString link = form->ListView1->model()->index(0, 0).data().toString();
    emit form->ListView1->customContextMenuRequested(QPoint(1, 1));
    form->PopupMenu1->hide();
    actions[1]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), link);
  }

  void stopAndCloseDuringARun() {
    auto form = makeForm();
    form->Edit1->setText(QString::fromStdString(site.url("/slow")));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QTRY_VERIFY(form->StatusPanel[2]->text().startsWith("Loading: "));
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QCOMPARE(form->BitBtn1->text(), QString("Stopping..."));
    QVERIFY(!form->BitBtn1->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(form->BitBtn1->text(), QString("Check"), 10000);

    // Closing while a run is going: stopped, joined, working file gone.
    QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
    QTRY_VERIFY(form->StatusPanel[2]->text().startsWith("Loading: "));
    const std::string working = form->workingFile();
    QVERIFY(std::filesystem::exists(working));
    form->close();
    QVERIFY(!form->crawlRun().active());
    QVERIFY(!std::filesystem::exists(working));
  }
};

QTEST_MAIN(AppFormTest)
#include "main_window_test.moc"
