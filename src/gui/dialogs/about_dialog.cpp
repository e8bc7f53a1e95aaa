#include "gui/dialogs/about_dialog.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <initializer_list>
#include <optional>

#include "core/platform/data_folder.h"
#include "gui/dialogs/drawn_picture.h"
#include "gui/widget_names.h"

namespace crawlspect::ui {

namespace {

QColor toColor(const Rgb& rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

// The banner across the top of the panel: the product name on a dark green band.
QPixmap bannerPicture(const ProgramIdentity& identity, qreal pixelRatio) {
  QPixmap pixmap = blankPicture(344, 105, pixelRatio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, 0, 105);
  band.setColorAt(0, QColor(0, 70, 30));
  band.setColorAt(1, QColor(0, 20, 8));
  p.fillRect(QRect(0, 0, 344, 105), band);
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
QPixmap applicationIcon(qreal pixelRatio) {
  const QIcon icon = QApplication::windowIcon();
  if (!icon.isNull()) return icon.pixmap(QSize(32, 32), pixelRatio);
  QPixmap pixmap = blankPicture(32, 32, pixelRatio);
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
QIcon arrowIcon(qreal pixelRatio) {
  QPixmap pixmap = blankPicture(10, 10, pixelRatio);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QApplication::palette().color(QPalette::ButtonText));
  p.drawPolygon(QPolygonF({{1, 3}, {9, 3}, {5, 8}}));
  return QIcon(pixmap);
}

}  // namespace

void AboutDialog::showAbout(QWidget* parent, Desktop& desktop, const ProgramIdentity& identity,
                            const ServiceHosts& hosts, const std::string& programFolder) {
  AboutDialog dialog(desktop, identity, hosts, programFolder.empty() ? executableFolder() : programFolder, parent);
  dialog.exec();
}

AboutDialog::AboutDialog(Desktop& desktop, const ProgramIdentity& identity, ServiceHosts hosts,
                         std::string programFolder, QWidget* parent, LetterRain::Random random)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_desktop(desktop),
      m_hosts(std::move(hosts)),
      m_programFolder(std::move(programFolder)),
      m_rain(std::move(random)) {
  setObjectName("aboutDialog");
  setWindowTitle(QString::fromStdString(aboutCaption(identity)));
  setModal(true);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  black.setColor(QPalette::WindowText, Qt::white);
  setPalette(black);

  buildPanel(identity);
  buildInfoMenu();
  // One size for the window's life, as the rain is laid out for it once: the
  // designed one, or larger where the user's fonts need more.
  setFixedSize(sizeHint());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // Qt gives no outer size before the window is mapped; the rain covers the
  // area it can paint, so the client size stands in for it.
  m_rain.start(width(), height());
  setupRain();
  m_rainTimer = named(new QTimer(this), "rainTimer");
  m_rainTimer->setInterval(LetterRain::kTimerIntervalMs);
  connect(m_rainTimer, &QTimer::timeout, this, &AboutDialog::advanceRain);
  m_rainTimer->start();
}

QSize AboutDialog::sizeHint() const { return QSize(446, 374).expandedTo(minimumSizeHint()); }

void AboutDialog::buildPanel(const ProgramIdentity& identity) {
  // The panel sits in the middle of the rain, which shows 48 pixels wide at
  // its sides, 42 above and 41 below.
  auto* window = new QVBoxLayout(this);
  window->setContentsMargins(48, 42, 48, 41);
  m_panel = named(new QFrame(this), "panel");
  m_panel->setAutoFillBackground(true);
  window->addWidget(m_panel);

  auto* column = new QVBoxLayout(m_panel);
  column->setContentsMargins(0, 3, 0, 15);
  column->setSpacing(0);

  m_bannerLabel = named(new QLabel(m_panel), "bannerLabel");
  m_bannerLabel->setPixmap(bannerPicture(identity, devicePixelRatioF()));
  column->addWidget(m_bannerLabel, 0, Qt::AlignHCenter);
  column->addSpacing(16);

  auto* nameRow = new QHBoxLayout;
  nameRow->setContentsMargins(14, 0, 14, 0);
  nameRow->setSpacing(14);
  m_iconFrame = named(new QFrame(m_panel), "iconFrame");
  m_iconFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
  auto* iconBox = new QHBoxLayout(m_iconFrame);
  const int iconInset = 6 - m_iconFrame->frameWidth();  // the icon 6 pixels in from the box's outer edge
  iconBox->setContentsMargins(iconInset, iconInset, iconInset, iconInset);
  iconBox->setSizeConstraint(QLayout::SetFixedSize);
  m_iconLabel = named(new QLabel(m_iconFrame), "iconLabel");
  m_iconLabel->setPixmap(applicationIcon(devicePixelRatioF()));
  iconBox->addWidget(m_iconLabel);
  nameRow->addWidget(m_iconFrame);

  m_productLabel = named(new QLabel(QString::fromStdString(aboutProductLine(identity)), m_panel), "productLabel");
  QFont big = m_productLabel->font();
  big.setPointSize(12);
  m_productLabel->setFont(big);
  m_productLabel->setWordWrap(true);
  m_productLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  nameRow->addWidget(m_productLabel, 1);
  column->addLayout(nameRow);
  column->addSpacing(32);

  auto* buttonRow = new QHBoxLayout;
  buttonRow->setSpacing(6);
  buttonRow->addStretch(1);
  m_okButton = named(new QPushButton("OK", m_panel), "okButton");
  m_okButton->setDefault(true);
  connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
  buttonRow->addWidget(m_okButton);
  m_infoButton = named(new QPushButton(arrowIcon(devicePixelRatioF()), "Info", m_panel), "infoButton");
  m_infoButton->setLayoutDirection(Qt::RightToLeft);  // the arrow at the right of the text
  m_infoButton->setAutoDefault(false);
  connect(m_infoButton, &QPushButton::clicked, this, &AboutDialog::showInfoMenu);
  buttonRow->addWidget(m_infoButton);
  buttonRow->addStretch(1);
  // The buttons keep their classic 75 x 27 unless their text needs more.
  for (QPushButton* button : {m_okButton, m_infoButton})
    button->setMinimumSize(button->sizeHint().expandedTo(QSize(75, 27)));
  column->addLayout(buttonRow);
  column->addSpacing(29);

  m_websiteLabel = named(new QLabel(QString::fromStdString(makerSiteLabel(m_hosts)), m_panel), "websiteLabel");
  QFont link = m_websiteLabel->font();
  link.setUnderline(true);
  m_websiteLabel->setFont(link);
  QPalette lime = m_websiteLabel->palette();
  lime.setColor(QPalette::WindowText, QColor(0, 255, 0));
  m_websiteLabel->setPalette(lime);
  m_websiteLabel->setCursor(Qt::PointingHandCursor);
  m_websiteLabel->setToolTip(QString::fromStdString(makerHomePage(m_hosts)));
  m_websiteLabel->setAlignment(Qt::AlignCenter);
  // The link takes what height is left, so the rows above keep their places.
  column->addWidget(m_websiteLabel, 1);

  // A press anywhere on the panel but the link starts dragging the window.
  for (QWidget* w : std::initializer_list<QWidget*>{m_panel, m_iconFrame, m_iconLabel, m_bannerLabel, m_productLabel,
                                                    m_websiteLabel})
    w->installEventFilter(this);
}

void AboutDialog::buildInfoMenu() {
  m_infoMenu = named(new QMenu(this), "infoMenu");
  m_infoMenu->addAction("Credits...", this, &AboutDialog::openCredits)->setObjectName("creditsAction");
  m_infoMenu->addAction("How to uninstall...", this, &AboutDialog::openUninstallHelp)
      ->setObjectName("uninstallHelpAction");
  m_infoMenu->addAction("License...", this, &AboutDialog::openLicense)->setObjectName("licenseAction");
  connect(m_infoMenu, &QMenu::aboutToHide, this,
          [this] { m_menuGuard.menuClosed(m_infoButton, m_infoMenu, MenuReopenGuard::Clock::now()); });
}

void AboutDialog::setupRain() {
  const qreal ratio = devicePixelRatioF();
  m_canvas = QImage(size() * ratio, QImage::Format_RGB32);
  m_canvas.setDevicePixelRatio(ratio);
  m_canvas.fill(Qt::black);
  m_rain.setup();
  update();
}

void AboutDialog::advanceRain() {
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

void AboutDialog::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, m_canvas);
}

void AboutDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  setupRain();
}

void AboutDialog::showInfoMenu() {
  if (!m_menuGuard.shouldOpen(m_infoButton, m_infoMenu, MenuReopenGuard::Clock::now())) return;
  m_infoMenu->popup(m_infoButton->mapToGlobal(QPoint(0, m_infoButton->height())));
}

void AboutDialog::openWebsite() { m_desktop.openAddress(makerHomePage(m_hosts)); }
void AboutDialog::openCredits() { m_desktop.openAddress(makerCreditsPage(m_hosts)); }
void AboutDialog::openUninstallHelp() { m_desktop.openAddress(makerUninstallPage(m_hosts)); }

void AboutDialog::openLicense() {
  if (const std::optional<std::string> address = licenseAddress(m_programFolder))
    m_desktop.openAddress(*address);
  else
    m_desktop.showMessage(kLicenseMissingTitle, kLicenseMissingText, MessageIcon::Error);
}

bool AboutDialog::startDrag(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) return false;
  m_dragging = true;
  m_lastPointer = event->globalPosition().toPoint();
  return true;
}

bool AboutDialog::drag(QMouseEvent* event) {
  if (!m_dragging) return false;
  const QPoint pointer = event->globalPosition().toPoint();
  move(pos() + pointer - m_lastPointer);
  m_lastPointer = pointer;
  return true;
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (watched == m_websiteLabel) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) openWebsite();
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

void AboutDialog::mousePressEvent(QMouseEvent* event) {
  if (!startDrag(event)) QDialog::mousePressEvent(event);
}

void AboutDialog::mouseMoveEvent(QMouseEvent* event) {
  if (!drag(event)) QDialog::mouseMoveEvent(event);
}

void AboutDialog::mouseReleaseEvent(QMouseEvent* event) {
  m_dragging = false;
  QDialog::mouseReleaseEvent(event);
}

}  // namespace crawlspect::ui
