#include "gui/dialogs/about_dialog.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "core/platform/data_folder.h"

#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

QColor toColor(const Rgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

// The banner across the top of the panel: the product name on a dark green band.
QPixmap bannerPicture(const ProgramIdentity& identity) {
  QPixmap pixmap(344, 105);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, 0, 105);
  band.setColorAt(0, QColor(0, 70, 30));
  band.setColorAt(1, QColor(0, 20, 8));
  p.fillRect(pixmap.rect(), band);
  QFont title("Sans Serif");
  title.setPixelSize(40);
  title.setBold(true);
  p.setFont(title);
  p.setPen(QColor(120, 255, 120));
  p.drawText(QRect(0, 10, 344, 56), Qt::AlignCenter, QString::fromStdString(identity.productName));
  QFont line("Sans Serif");
  line.setPixelSize(13);
  p.setFont(line);
  p.setPen(QColor(200, 235, 200));
  p.drawText(QRect(0, 66, 344, 26), Qt::AlignCenter, "Website crawler and SEO audit");
  return pixmap;
}

// The application's icon, or a magnifying glass when the program has none.
QPixmap applicationIcon() {
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) return icon.pixmap(32, 32);
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(120, 255, 120), 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(19, 19), QPointF(28, 28));
  p.setPen(QPen(QColor(220, 255, 220), 3));
  p.setBrush(QColor(0, 90, 40));
  p.drawEllipse(QRectF(4, 4, 17, 17));
  return pixmap;
}

// A small down arrow for the Info button.
QIcon arrowIcon() {
  QPixmap pixmap(10, 10);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QApplication::palette().color(QPalette::ButtonText));
  p.drawPolygon(QPolygonF({{1, 3}, {9, 3}, {5, 8}}));
  return QIcon(pixmap);
}

}  // namespace

void TAboutBox::showAbout(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity,
                          const ServiceHosts& hosts, const std::string& programFolder) {
  TAboutBox box(desktop, identity, hosts, programFolder.empty() ? executableFolder() : programFolder, parent);
  box.exec();
}

TAboutBox::TAboutBox(Desktop& desktop, const ProgramIdentity& identity, ServiceHosts hosts, std::string programFolder,
                     QWidget* parent, LetterRain::Random random)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_desktop(desktop),
      m_hosts(std::move(hosts)),
      m_programFolder(std::move(programFolder)),
      m_rain(std::move(random)) {
  setObjectName("AboutBox");
  setWindowTitle(QString::fromStdString(aboutCaption(identity)));
  setModal(true);
  setFixedSize(446, 374);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  black.setColor(QPalette::WindowText, Qt::white);
  setPalette(black);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  buildPanel(identity);

  // Qt gives no outer size before the window is mapped; the rain covers the
  // area it can paint, so the client size stands in for it.
  m_rain.start(width(), height());
  setupRain();
  tmTimer = named(new QTimer(this), "tmTimer");
  tmTimer->setInterval(LetterRain::kTimerIntervalMs);
  connect(tmTimer, &QTimer::timeout, this, &TAboutBox::tmTimerTimer);
  tmTimer->start();
}

void TAboutBox::buildPanel(const ProgramIdentity& identity) {
  Panel1 = named(new QFrame(this), "Panel1");
  Panel1->setGeometry(48, 42, 350, 291);
  Panel1->setAutoFillBackground(true);

  Image2 = named(new QLabel(Panel1), "Image2");
  Image2->setGeometry(3, 3, 344, 105);
  Image2->setScaledContents(true);
  Image2->setPixmap(bannerPicture(identity));

  auto* bevel = named(new QFrame(Panel1), "Bevel1");
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  bevel->setGeometry(14, 124, 44, 44);
  Image1 = named(new QLabel(bevel), "Image1");
  Image1->setGeometry(6, 6, 32, 32);
  Image1->setPixmap(applicationIcon());

  Label2 = named(new QLabel(QString::fromStdString(aboutProductLine(identity)), Panel1), "Label2");
  QFont big = Label2->font();
  big.setPointSize(12);
  Label2->setFont(big);
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Label2->setGeometry(72, 124, 264, 44);

  BitBtn1 = named(new QPushButton("OK", Panel1), "BitBtn1");
  BitBtn1->setGeometry(100, 200, 75, 27);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

  BitBtn2 = named(new QPushButton(arrowIcon(), "Info", Panel1), "BitBtn2");
  BitBtn2->setGeometry(181, 200, 75, 27);
  BitBtn2->setLayoutDirection(Qt::RightToLeft);  // the arrow at the right of the text
  BitBtn2->setAutoDefault(false);
  connect(BitBtn2, &QPushButton::clicked, this, &TAboutBox::BitBtn2Click);

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  PopupMenu1->addAction("Credits...", this, &TAboutBox::Credits1Click)->setObjectName("Credits1");
  PopupMenu1->addAction("How to uninstall...", this, &TAboutBox::Howtouninstall1Click)
      ->setObjectName("Howtouninstall1");
  PopupMenu1->addAction("License...", this, &TAboutBox::LicensePrivacyPolicy1Click)
      ->setObjectName("LicensePrivacyPolicy1");
  connect(PopupMenu1, &QMenu::aboutToHide, this,
          [this] { m_menuGuard.menuClosed(BitBtn2, PopupMenu1, MenuReopenGuard::Clock::now()); });

  Label5 = named(new QLabel(QString::fromStdString(makerSiteLabel(m_hosts)), Panel1), "Label5");
  QFont link = Label5->font();
  link.setUnderline(true);
  Label5->setFont(link);
  QPalette lime = Label5->palette();
  lime.setColor(QPalette::WindowText, QColor(0, 255, 0));
  Label5->setPalette(lime);
  Label5->setCursor(Qt::PointingHandCursor);
  Label5->setToolTip(QString::fromStdString(makerHomePage(m_hosts)));
  Label5->setAlignment(Qt::AlignCenter);
  Label5->setGeometry(0, 256, 350, 20);

  for (QWidget* w : {static_cast<QWidget*>(Panel1), static_cast<QWidget*>(bevel), static_cast<QWidget*>(Image1),
                     static_cast<QWidget*>(Image2), static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label5)})
    w->installEventFilter(this);
}

void TAboutBox::setupRain() {
  m_canvas = QImage(size(), QImage::Format_RGB32);
  m_canvas.fill(Qt::black);
  m_rain.setup();
  update();
}

void TAboutBox::tmTimerTimer() {
  const std::vector<RainDraw> draws = m_rain.tick();
  QPainter p(&m_canvas);
  QFont font("Monospace");
  font.setStyleHint(QFont::TypeWriter);
  font.setPixelSize(LetterRain::kCharHeight);
  p.setFont(font);
  for (const RainDraw& d : draws) {
    const QRect cell(d.column * LetterRain::kCharWidth, d.row * LetterRain::kCharHeight, LetterRain::kCharWidth,
                     LetterRain::kCharHeight);
    // Letters are drawn on an opaque black cell, so a trail letter replaces
    // the head letter that was there before.
    p.fillRect(cell, Qt::black);
    if (d.kind == RainDraw::Kind::Letter) {
      p.setPen(toColor(d.colour));
      p.drawText(cell, Qt::AlignCenter, QString(QChar(d.letter)));
    }
  }
  p.end();
  update();
}

void TAboutBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, m_canvas);
}

void TAboutBox::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  setupRain();
}

void TAboutBox::BitBtn2Click() {
  if (!m_menuGuard.shouldOpen(BitBtn2, PopupMenu1, MenuReopenGuard::Clock::now())) return;
  PopupMenu1->popup(BitBtn2->mapToGlobal(QPoint(0, BitBtn2->height())));
}

void TAboutBox::Label5Click() { m_desktop.openAddress(makerHomePage(m_hosts)); }
void TAboutBox::Credits1Click() { m_desktop.openAddress(makerCreditsPage(m_hosts)); }
void TAboutBox::Howtouninstall1Click() { m_desktop.openAddress(makerUninstallPage(m_hosts)); }
void TAboutBox::LicensePrivacyPolicy1Click() { crawlspect::LicensePrivacyPolicy1Click(m_desktop, m_programFolder); }

bool TAboutBox::startDrag(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) return false;
  m_dragging = true;
  m_lastPointer = event->globalPosition().toPoint();
  return true;
}

bool TAboutBox::drag(QMouseEvent* event) {
  if (!m_dragging) return false;
  const QPoint pointer = event->globalPosition().toPoint();
  move(pos() + pointer - m_lastPointer);
  m_lastPointer = pointer;
  return true;
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (watched == Label5) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) Label5Click();
        return true;
      }
      return startDrag(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
      return drag(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
      if (!m_dragging) break;
      m_dragging = false;
      return true;
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutBox::mousePressEvent(QMouseEvent* event) {
  if (!startDrag(event)) QDialog::mousePressEvent(event);
}

void TAboutBox::mouseMoveEvent(QMouseEvent* event) {
  if (!drag(event)) QDialog::mouseMoveEvent(event);
}

void TAboutBox::mouseReleaseEvent(QMouseEvent* event) {
  m_dragging = false;
  QDialog::mouseReleaseEvent(event);
}

}  // namespace crawlspect::ui
