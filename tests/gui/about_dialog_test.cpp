#include "gui/dialogs/about_dialog.h"

#include <QAction>
#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include "core/platform/loop_desktop.h"
#include "gui/qt_desktop.h"
#include "layout_checks.h"
#include "temp_dir.h"
#include "window_parts.h"

using namespace crawlspect;
using namespace crawlspect::ui;

using testsupport::part;

namespace {

ProgramIdentity identity() { return {"ZORVANE", "Crawlspect", "ZORVANE - Crawlspect", "4.7"}; }

}  // namespace

class AboutDialogTest : public QObject {
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
    AboutDialog dialog(desktop, identity(), ServiceHosts{}, dir.path().string());
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString("About Crawlspect"));
    QCOMPARE(dialog.size(), QSize(446, 374));
    QCOMPARE(part<QLabel>(dialog, "productLabel")->text(), QString("Crawlspect 4.7"));
    QLabel* website = part<QLabel>(dialog, "websiteLabel");
    QCOMPARE(website->text(), QString("www.zorvane.com"));
    QCOMPARE(website->toolTip(), QString("https://www.zorvane.com/"));
    QCOMPARE(part<QPushButton>(dialog, "okButton")->text(), QString("OK"));
    QCOMPARE(part<QPushButton>(dialog, "infoButton")->text(), QString("Info"));
    QCOMPARE(dialog.rain().matrixWidth(), 446 / 8);
    QCOMPARE(dialog.rain().drops().size(), size_t(2 * (446 / 8)));
    QCOMPARE(testsupport::layoutFaults(&dialog), QStringList());

    QTRY_VERIFY(dialog.rain().frame() >= 3);
    // Letters land on the black canvas in shades of green.
    int lit = 0;
    const QImage canvas = dialog.canvas();
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) {
        const QColor c = canvas.pixelColor(x, y);
        if (c == Qt::black) continue;
        ++lit;
        QVERIFY2(c.green() >= c.red() && c.red() >= c.blue(), qPrintable(c.name()));
      }
    QVERIFY(lit > 0);
  }

  // Large system fonts grow the window instead of cutting its texts off.
  void largeFontsStillFit() {
    testsupport::LargeFont large;
    LoopDesktop desktop;
    AboutDialog dialog(desktop, identity(), ServiceHosts{}, dir.path().string());
    dialog.show();
    QCOMPARE(testsupport::layoutFaults(&dialog), QStringList());
    QVERIFY(dialog.height() > 374);
  }

  void linksOpenTheMakersPagesAndTheLicense() {
    const std::filesystem::path folder = dir.path() / "program #1";
    std::filesystem::create_directories(folder);
    QtDesktop desktop;
    ServiceHosts hosts;
    hosts.makerSite = "https://maker.test";
    AboutDialog dialog(desktop, identity(), hosts, folder.string());
    dialog.show();
    opened.clear();
    messages.clear();

    QTest::mouseClick(part<QLabel>(dialog, "websiteLabel"), Qt::LeftButton);
    part<QAction>(dialog, "creditsAction")->trigger();
    part<QAction>(dialog, "uninstallHelpAction")->trigger();
    QCOMPARE(opened, (QList<QUrl>{QUrl("https://maker.test/"), QUrl("https://maker.test/credits/"),
                                  QUrl("https://maker.test/uninstall/")}));

    QAction* license = part<QAction>(dialog, "licenseAction");
    license->trigger();
    QCOMPARE(messages, QStringList{"License: File not found!"});
    QCOMPARE(opened.size(), 3);

    testsupport::writeFile((folder / "license.txt").string(), "terms");
    license->trigger();
    QCOMPARE(opened.size(), 4);
    QCOMPARE(opened[3].toLocalFile(), QString::fromStdString((folder / "license.txt").string()));
    QCOMPARE(messages.size(), 1);
  }

  void infoButtonTogglesItsMenu() {
    LoopDesktop desktop;
    AboutDialog dialog(desktop, identity(), ServiceHosts{}, dir.path().string());
    dialog.show();
    QPushButton* info = part<QPushButton>(dialog, "infoButton");
    QMenu* menu = part<QMenu>(dialog, "infoMenu");
    QTest::mouseClick(info, Qt::LeftButton);
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), info->mapToGlobal(QPoint(0, info->height())));
    // The click that closed the menu must not open it again; the next one does.
    menu->hide();
    info->click();
    QVERIFY(!menu->isVisible());
    info->click();
    QVERIFY(menu->isVisible());
    menu->hide();
  }

  void dragsByItsBodyAndCloses() {
    LoopDesktop desktop;
    AboutDialog dialog(desktop, identity(), ServiceHosts{}, dir.path().string());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QFrame* panel = part<QFrame>(dialog, "panel");
    const QPoint start = dialog.pos();
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(5, 150));
    QTest::mouseMove(panel, QPoint(25, 160));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(25, 160));
    QCOMPARE(dialog.pos(), start + QPoint(20, 10));
    QTest::mouseMove(panel, QPoint(45, 170));
    QCOMPARE(dialog.pos(), start + QPoint(20, 10));

    QTest::keyClick(part<QPushButton>(dialog, "infoButton"), Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
    dialog.show();
    QTest::mouseClick(part<QPushButton>(dialog, "okButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
