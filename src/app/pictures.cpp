#include "app/pictures.h"

#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>

// Q_INIT_RESOURCE declares the registering function at the point of use, so
// it has to be expanded outside any namespace.
static void RegisterStanzoResources() {
  Q_INIT_RESOURCE(stanzo);
}

namespace stanzo {

void LoadPictureResources() {
  // Registering the same resource data twice would list it twice; a
  // function-local static runs it once, thread-safely.
  static const bool registered = (RegisterStanzoResources(), true);
  (void)registered;
}

QIcon WindowIcon() {
  LoadPictureResources();
  return QIcon(QPixmap(":/stanzo/icon.xpm"));
}

QIcon PictureIcon(const QString& resource) {
  LoadPictureResources();
  const QImage picture = QImage(resource).convertToFormat(QImage::Format_ARGB32);
  if (picture.isNull()) return QIcon();
  const QPalette palette = QGuiApplication::palette();
  QIcon icon;
  icon.addPixmap(QPixmap::fromImage(picture), QIcon::Normal);
  icon.addPixmap(QPixmap::fromImage(EtchedPicture(picture, palette.color(QPalette::Dark),
                                                  palette.color(QPalette::Light))),
                 QIcon::Disabled);
  return icon;
}

QImage EtchedPicture(const QImage& picture, const QColor& shadow, const QColor& highlight) {
  const QImage in = picture.convertToFormat(QImage::Format_ARGB32);
  QImage out(in.size(), QImage::Format_ARGB32);
  out.fill(Qt::transparent);
  const int w = in.width();
  const int h = in.height();
  auto dark = [&](int x, int y) {
    const QRgb p = in.pixel(x, y);
    return qAlpha(p) >= 128 && qGray(p) < 128;
  };
  // Highlight first, so that a shadow pixel laid on top of it wins.
  for (int y = 0; y + 1 < h; ++y) {
    for (int x = 0; x + 1 < w; ++x) {
      if (dark(x, y)) out.setPixel(x + 1, y + 1, highlight.rgba());
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (dark(x, y)) out.setPixel(x, y, shadow.rgba());
    }
  }
  return out;
}

}  // namespace stanzo
