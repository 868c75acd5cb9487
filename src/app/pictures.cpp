#include "app/pictures.h"

#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>
#include <algorithm>
#include <vector>

#include "console/window_rules.h"

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
  const int w = in.width(), h = in.height();
  std::vector<uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(in.constScanLine(y));
    pixels.insert(pixels.end(), row, row + w);
  }
  const std::vector<uint32_t> etched =
      stanzo::EtchedPicture(pixels, w, h, shadow.rgba(), highlight.rgba());
  QImage out(in.size(), QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y)
    std::copy_n(etched.begin() + static_cast<ptrdiff_t>(y) * w, w,
                reinterpret_cast<QRgb*>(out.scanLine(y)));
  return out;
}

}  // namespace stanzo
