#pragma once
// The about window: the program's name and version on a panel in the middle,
// a rain of letters on the black around it, links to the maker's pages and
// the license file.
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <string>

#include "core/about/about_actions.h"
#include "core/about/letter_rain.h"
#include "core/lookups/service_addresses.h"
#include "core/platform/desktop.h"

class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace crawlspect::ui {

class AboutDialog : public QDialog {
  Q_OBJECT
 public:
  // The help menu command: a new modal window, gone when it closes.
  // programFolder holds license.txt (executableFolder() when empty).
  static void showAbout(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity, const ServiceHosts& hosts,
                        const std::string& programFolder = {});

  AboutDialog(Desktop& desktop, const ProgramIdentity& identity, ServiceHosts hosts, std::string programFolder,
              QWidget* parent = nullptr, LetterRain::Random random = {});

  // The window's size as it was designed, or more when its texts need more.
  QSize sizeHint() const override;

  const LetterRain& rain() const { return m_rain; }
  const QImage& canvas() const { return m_canvas; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void buildPanel(const ProgramIdentity& identity);
  void buildInfoMenu();
  void setupRain();
  void advanceRain();
  void showInfoMenu();
  void openWebsite();
  void openCredits();
  void openUninstallHelp();
  void openLicense();
  bool startDrag(QMouseEvent* event);
  bool drag(QMouseEvent* event);

  Desktop& m_desktop;
  ServiceHosts m_hosts;
  std::string m_programFolder;
  LetterRain m_rain;
  QImage m_canvas;
  MenuReopenGuard m_menuGuard;
  bool m_dragging = false;
  QPoint m_lastPointer;

  QFrame* m_panel = nullptr;
  QLabel* m_bannerLabel = nullptr;
  QFrame* m_iconFrame = nullptr;
  QLabel* m_iconLabel = nullptr;
  QLabel* m_productLabel = nullptr;
  QPushButton* m_okButton = nullptr;
  QPushButton* m_infoButton = nullptr;
  QMenu* m_infoMenu = nullptr;
  QLabel* m_websiteLabel = nullptr;
  QTimer* m_rainTimer = nullptr;
};

}  // namespace crawlspect::ui
