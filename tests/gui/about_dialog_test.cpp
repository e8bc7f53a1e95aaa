#include <QAction>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "gui/dialogs/about_dialog.h"
#include "gui/qt_desktop.h"
#include "core/platform/loop_desktop.h"
#include "temp_dir.h"

using namespace crawlspect;
using namespace crawlspect::ui;

namespace {
ProgramIdentity identity() { return {"ZORVANE", "Crawlspect", "ZORVANE - Crawlspect", "4.7"}; }
}  // namespace

class AboutFormTest : public QObject {
  Q_OBJECT

  testsupport::TempDir dir;
  QList<QUrl> opened;
  QStringList messages;

 public slots:
  // Stands in for the browser and the text viewer.
  void openUrl(const QUrl& url) { opened << url; }

 private slots:
  void initTestCase() {
    QDesktopServices::setUrlHandler("https", this, "openUrl");
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    QtDesktop::setMessageSink([this](const std::string& title, const std::string& text, MessageIcon) {
      messages << QString::fromStdString(title + ": " + text);
    });
  }

  void cleanupTestCase() {
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("file");
    QtDesktop::setMessageSink({});
  }

  void showsTheProgramAndRains() {
    LoopDesktop desktop;
    TAboutBox box(desktop, identity(), ServiceHosts{}, dir.path().string());
    box.show();
    QCOMPARE(box.windowTitle(), QString("About Crawlspect"));
    QCOMPARE(box.Label2->text(), QString("Crawlspect 4.7"));
    QCOMPARE(box.Label5->text(), QString("www.zorvane.com"));
    QCOMPARE(box.Label5->toolTip(), QString("https://www.zorvane.com/"));
    QCOMPARE(box.rain().matrixWidth(), 446 / 8);
    QCOMPARE(box.rain().drops().size(), size_t(2 * (446 / 8)));

    QTRY_VERIFY(box.rain().frame() >= 3);
    // Letters land on the black canvas in shades of green.
    int lit = 0;
    const QImage canvas = box.canvas();
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) {
        const QColor c = canvas.pixelColor(x, y);
        if (c == Qt::black) continue;
        ++lit;
        QVERIFY2(c.green() >= c.red() && c.red() >= c.blue(), qPrintable(c.name()));
      }
    QVERIFY(lit > 0);
  }

  void linksOpenTheMakersPagesAndTheLicense() {
    const std::filesystem::path folder = dir.path() / "program #1";
    std::filesystem::create_directories(folder);
    QtDesktop desktop;
    ServiceHosts hosts;
    hosts.makerSite = "https://maker.test";
    TAboutBox box(desktop, identity(), hosts, folder.string());
    box.show();
    opened.clear();
    messages.clear();

    QTest::mouseClick(box.Label5, Qt::LeftButton);
    box.findChild<QAction*>("Credits1")->trigger();
    box.findChild<QAction*>("Howtouninstall1")->trigger();
    QCOMPARE(opened, (QList<QUrl>{QUrl("https://maker.test/"), QUrl("https://maker.test/credits/"),
                                  QUrl("https://maker.test/uninstall/")}));

    box.findChild<QAction*>("LicensePrivacyPolicy1")->trigger();
    QCOMPARE(messages, QStringList{"License: File not found!"});
    QCOMPARE(opened.size(), 3);

    testsupport::writeFile((folder / "license.txt").string(), "terms");
    box.findChild<QAction*>("LicensePrivacyPolicy1")->trigger();
    QCOMPARE(opened.size(), 4);
    QCOMPARE(opened[3].toLocalFile(), QString::fromStdString((folder / "license.txt").string()));
    QCOMPARE(messages.size(), 1);
  }

  void infoButtonTogglesItsMenu() {
    LoopDesktop desktop;
    TAboutBox box(desktop, identity(), ServiceHosts{}, dir.path().string());
    box.show();
    QTest::mouseClick(box.BitBtn2, Qt::LeftButton);
    QVERIFY(box.PopupMenu1->isVisible());
    QCOMPARE(box.PopupMenu1->pos(), box.BitBtn2->mapToGlobal(QPoint(0, box.BitBtn2->height())));
    // The click that closed the menu must not open it again; the next one does.
    box.PopupMenu1->hide();
    box.BitBtn2Click();
    QVERIFY(!box.PopupMenu1->isVisible());
    box.BitBtn2Click();
    QVERIFY(box.PopupMenu1->isVisible());
    box.PopupMenu1->hide();
  }

  void dragsByItsBodyAndCloses() {
    LoopDesktop desktop;
    TAboutBox box(desktop, identity(), ServiceHosts{}, dir.path().string());
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    const QPoint start = box.pos();
    QTest::mousePress(box.Panel1, Qt::LeftButton, {}, QPoint(5, 150));
    QTest::mouseMove(box.Panel1, QPoint(25, 160));
    QTest::mouseRelease(box.Panel1, Qt::LeftButton, {}, QPoint(25, 160));
    QCOMPARE(box.pos(), start + QPoint(20, 10));
    QTest::mouseMove(box.Panel1, QPoint(45, 170));
    QCOMPARE(box.pos(), start + QPoint(20, 10));

    QTest::keyClick(box.BitBtn2, Qt::Key_Escape);
    QVERIFY(!box.isVisible());
    box.show();
    QTest::mouseClick(box.BitBtn1, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(AboutFormTest)
#include "about_dialog_test.moc"
