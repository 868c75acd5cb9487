// The window's pictures: the compiled-in images keep the sizes, colours and
// transparency the buttons rely on, and a disabled picture is etched.
#include <QApplication>
#include <QPalette>
#include <QSet>
#include <QTest>

#include "app/pictures.h"

namespace {

// Pixel art for the etching cases. Input: '.' transparent, 'x' black but
// fully transparent, 'k' black, 'o' olive, 'n' dark blue, 'g' grey,
// 'y' yellow, 'w' white, 's' light grey. Output: '.' transparent,
// 'S' shadow, 'H' highlight.
QImage Art(const QStringList& rows) {
  QImage img(rows[0].size(), rows.size(), QImage::Format_ARGB32);
  for (int y = 0; y < rows.size(); ++y) {
    for (int x = 0; x < rows[y].size(); ++x) {
      QRgb c = qRgba(0, 0, 0, 0);
      switch (rows[y][x].toLatin1()) {
        case 'x':
          c = qRgba(0, 0, 0, 0);
          break;
        case 'k':
          c = qRgb(0, 0, 0);
          break;
        case 'o':
          c = qRgb(128, 128, 0);
          break;
        case 'n':
          c = qRgb(0, 0, 128);
          break;
        case 'g':
          c = qRgb(128, 128, 128);
          break;
        case 'y':
          c = qRgb(255, 255, 0);
          break;
        case 'w':
          c = qRgb(255, 255, 255);
          break;
        case 's':
          c = qRgb(192, 192, 192);
          break;
      }
      img.setPixel(x, y, c);
    }
  }
  return img;
}

const QColor kShadow(128, 128, 128);
const QColor kHighlight(255, 255, 255);

QStringList Read(const QImage& img) {
  QStringList rows;
  for (int y = 0; y < img.height(); ++y) {
    QString row;
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y);
      if (qAlpha(p) == 0)
        row += '.';
      else if (p == kShadow.rgba())
        row += 'S';
      else if (p == kHighlight.rgba())
        row += 'H';
      else
        row += '?';
    }
    rows << row;
  }
  return rows;
}

// The sixteen standard system colours: the only ones a button picture uses.
bool IsStandardColour(QRgb p) {
  static const QSet<QRgb> kStandard = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return kStandard.contains(p | 0xff000000u);
}

}  // namespace

class PicturesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { stanzo::LoadPictureResources(); }

  void etching_data() {
    QTest::addColumn<QStringList>("in");
    QTest::addColumn<QStringList>("out");
    QTest::newRow("lone dark pixel")
        << QStringList{"...", ".k.", "..."} << QStringList{"...", ".S.", "..H"};
    QTest::newRow("olive, dark blue and black are dark")
        << QStringList{"ono.", "...."} << QStringList{"SSS.", ".HHH"};
    QTest::newRow("light colours leave nothing")
        << QStringList{"wys", "gsw"} << QStringList{"...", "..."};
    QTest::newRow("a transparent black pixel leaves nothing")
        << QStringList{"x.", ".."} << QStringList{"..", ".."};
    QTest::newRow("shadow wins over highlight")
        << QStringList{"k..", ".k.", "..."} << QStringList{"S..", ".S.", "..H"};
    QTest::newRow("highlight past the edge is cut off")
        << QStringList{"..", ".k"} << QStringList{"..", ".S"};
    QTest::newRow("a filled block keeps its inside in shadow")
        << QStringList{"kk.", "kk.", "..."} << QStringList{"SS.", "SSH", ".HH"};
  }

  void etching() {
    QFETCH(QStringList, in);
    QFETCH(QStringList, out);
    const QImage etched = stanzo::EtchedPicture(Art(in), kShadow, kHighlight);
    QCOMPARE(etched.size(), Art(in).size());
    QCOMPARE(Read(etched), out);
  }

  void buttonPictures_data() {
    QTest::addColumn<QString>("resource");
    QTest::newRow("open") << ":/stanzo/open.xpm";
    QTest::newRow("save") << ":/stanzo/save.xpm";
    QTest::newRow("back") << ":/stanzo/back.xpm";
  }

  void buttonPictures() {
    QFETCH(QString, resource);
    const QImage picture = QImage(resource).convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!picture.isNull(), qPrintable(resource + " does not load"));
    QCOMPARE(picture.size(), QSize(16, 15));
    // The bottom-left pixel is the transparent colour, drawn as the face.
    QCOMPARE(qAlpha(picture.pixel(0, 14)), 0);
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const QRgb p = picture.pixel(x, y);
        if (qAlpha(p) == 0) continue;
        QCOMPARE(qAlpha(p), 255);
        QVERIFY2(IsStandardColour(p),
                 qPrintable(QString("(%1,%2) not a system colour").arg(x).arg(y)));
        // Light grey is the transparent colour: it never shows as itself.
        QVERIFY(p != qRgb(192, 192, 192));
        ++opaque;
      }
    }
    QVERIFY(opaque > 30);

    const QIcon icon = stanzo::PictureIcon(resource);
    QVERIFY(!icon.isNull());
    const QPalette palette = QGuiApplication::palette();
    QCOMPARE(
        icon.pixmap(QSize(16, 15), QIcon::Normal).toImage().convertToFormat(QImage::Format_ARGB32),
        picture);
    const QImage disabled = icon.pixmap(QSize(16, 15), QIcon::Disabled)
                                .toImage()
                                .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(disabled, stanzo::EtchedPicture(picture, palette.color(QPalette::Dark),
                                             palette.color(QPalette::Light)));
  }

  void unreadablePicture() { QVERIFY(stanzo::PictureIcon(":/stanzo/missing.xpm").isNull()); }

  void windowIcon() {
    const QIcon icon = stanzo::WindowIcon();
    QVERIFY(!icon.isNull());
    const QImage img = QImage(":/stanzo/icon.xpm").convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(img.size(), QSize(48, 48));
    QSet<QRgb> colours;
    int transparent = 0;
    for (int y = 0; y < img.height(); ++y) {
      for (int x = 0; x < img.width(); ++x) {
        const QRgb p = img.pixel(x, y);
        if (qAlpha(p) == 0) {
          ++transparent;
          continue;
        }
        QCOMPARE(qAlpha(p), 255);  // a mask, not an alpha channel
        colours.insert(p);
      }
    }
    QVERIFY(transparent > 0);
    QVERIFY(colours.size() <= 256);
    QVERIFY(colours.contains(qRgb(0, 0, 0)));        // the notes
    QVERIFY(colours.contains(qRgb(255, 255, 255)));  // the cone's bands
  }
};

QTEST_MAIN(PicturesTest)
#include "pictures_test.moc"
