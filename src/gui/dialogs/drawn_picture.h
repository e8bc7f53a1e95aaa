#pragma once
// The dialogs draw their pictures (banner, faces, arrows) rather than ship
// image files.
#include <QPixmap>

namespace crawlspect::ui {

// A transparent picture of the given size in the window's pixels, with as many
// device pixels behind each as the screen has, so it stays sharp when scaled.
inline QPixmap blankPicture(int width, int height, qreal pixelRatio) {
  QPixmap pixmap(QSize(width, height) * pixelRatio);
  pixmap.setDevicePixelRatio(pixelRatio);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

}  // namespace crawlspect::ui
