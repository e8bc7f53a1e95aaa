#pragma once
// The about window: the program's name and version on a black panel, a rain
// of letters around it, links to the maker's pages and the license file.
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <string>

#include "core/about/about_actions.h"
#include "core/about/letter_rain.h"
#include "core/lookups/service_addresses.h"

class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace crawlspect::ui {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  // The help menu command: a new modal window, gone when it closes.
  // programFolder holds license.txt (executableFolder() when empty).
  static void showAbout(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity,
                        const ServiceHosts& hosts, const std::string& programFolder = {});

  TAboutBox(Desktop& desktop, const ProgramIdentity& identity, ServiceHosts hosts, std::string programFolder,
            QWidget* parent = nullptr, LetterRain::Random random = {});

  const LetterRain& rain() const { return m_rain; }
  const QImage& canvas() const { return m_canvas; }

  void tmTimerTimer();
  void BitBtn2Click();
  void Label5Click();
  void Credits1Click();
  void Howtouninstall1Click();
  void LicensePrivacyPolicy1Click();

  // Controls, named as the tests know them.
  QFrame* Panel1 = nullptr;
  QLabel* Image2 = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QLabel* Label5 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QTimer* tmTimer = nullptr;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void buildPanel(const ProgramIdentity& identity);
  void setupRain();
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
};

}  // namespace crawlspect::ui
