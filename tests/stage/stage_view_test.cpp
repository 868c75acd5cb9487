// What the stage paints: the widget is grabbed into an image offscreen and
// its "ink" (every pixel that differs from the background) is checked
// against where the placement rules put the text. Glyph shapes are the
// font's business, so the bounds allow a few pixels for outline and side
// bearings.
#include <QElapsedTimer>
#include <QImage>
#include <QtTest>
#include <initializer_list>

#include "stage/stage_dialect.h"
#include "stage/stage_view.h"

using stanzo::stage::Dialect;
using stanzo::stage::StageView;

namespace {

Dialect Stage(std::initializer_list<const char*> lines, std::int64_t now_ms = 0) {
  Dialect d;
  for (const char* line : lines) {
    const auto r = d.Feed(line, now_ms);
    if (r.reply != "> ") qWarning("rejected: %s -> %s", line, r.reply.c_str());
  }
  return d;
}

QImage Render(const Dialect& d, QSize size, QColor background = Qt::black,
              std::int64_t now_ms = 0) {
  StageView view(
      d, [now_ms] { return now_ms; }, background);
  view.resize(size);
  return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Bounding box of the pixels in `area` that differ from `background`, and
// how many they are.
struct Ink {
  QRect box;
  int pixels = 0;
};

Ink InkIn(const QImage& image, QColor background, QRect area = {}) {
  if (area.isNull()) area = image.rect();
  Ink ink;
  const QRgb bg = background.rgb();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (image.pixel(x, y) != bg) {
        ink.box |= QRect(x, y, 1, 1);
        ++ink.pixels;
      }
    }
  }
  return ink;
}

}  // namespace

class StageViewTest : public QObject {
  Q_OBJECT

 private slots:
  void slideShowsInTheCentreAndNowhereElse() {
    const Dialect d = Stage({"@m1 marq-position 0", "@m1 marq-size 50", "@m1 marq-marquee HELLO"});
    const QImage image = Render(d, {1280, 720});
    QCOMPARE(image.size(), QSize(1280, 720));
    const Ink ink = InkIn(image, Qt::black);
    QVERIFY2(ink.pixels > 1000, qPrintable(QString::number(ink.pixels)));
    // Horizontally centred; vertically about the middle (capitals sit a
    // little above the centre of their line box).
    QVERIFY2(qAbs(ink.box.center().x() - 640) <= 4, qPrintable(QString::number(ink.box.x())));
    QVERIFY(ink.box.top() > 360 - 50 && ink.box.bottom() < 360 + 50);
    QVERIFY(ink.box.height() >= 30 && ink.box.height() <= 70);
    QVERIFY(ink.box.width() >= 120 && ink.box.width() <= 300);
  }

  void previewLineSitsAtTheBottom() {
    const Dialect d =
        Stage({"@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-marquee next line here"});
    const Ink ink = InkIn(Render(d, {1280, 720}), Qt::black);
    QVERIFY(ink.pixels > 100);
    QVERIFY2(ink.box.bottom() >= 705 && ink.box.bottom() <= 719,
             qPrintable(QString::number(ink.box.bottom())));
    QVERIFY(ink.box.top() >= 680);
    QVERIFY(qAbs(ink.box.center().x() - 640) <= 4);
  }

  void offsetsAndSizesScaleWithTheWindow() {
    const Dialect d = Stage({"@m1 marq-position 5", "@m1 marq-x 100", "@m1 marq-y 50",
                             "@m1 marq-size 40", "@m1 marq-marquee Top left"});
    const Ink big = InkIn(Render(d, {1280, 720}), Qt::black);
    QVERIFY2(big.box.left() >= 100 && big.box.left() <= 112,
             qPrintable(QString::number(big.box.left())));
    QVERIFY2(big.box.top() >= 50 && big.box.top() <= 70,
             qPrintable(QString::number(big.box.top())));
    const Ink small = InkIn(Render(d, {640, 360}), Qt::black);
    QVERIFY(small.box.left() >= 50 && small.box.left() <= 56);
    QVERIFY(small.box.top() >= 25 && small.box.top() <= 35);
    QVERIFY(qAbs(small.box.width() * 2 - big.box.width()) <= 8);

    // Bottom-right: offsets count inward from the right and bottom edges.
    const Dialect br = Stage({"@m1 marq-position 10", "@m1 marq-x 100", "@m1 marq-y 50",
                              "@m1 marq-size 40", "@m1 marq-marquee Bottom right"});
    const Ink corner = InkIn(Render(br, {1280, 720}), Qt::black);
    QVERIFY2(corner.box.right() <= 1180 && corner.box.right() >= 1168,
             qPrintable(QString::number(corner.box.right())));
    QVERIFY(corner.box.bottom() <= 670 && corner.box.bottom() >= 650);
  }

  void paintsOnlyInsideTheLetterboxedFrame() {
    // 640x480 holds a 640x360 frame from y = 60; a text half above the
    // frame's top is clipped there.
    const Dialect d = Stage({"@m1 marq-position 5", "@m1 marq-y -50", "@m1 marq-size 200",
                             "@m1 marq-marquee WWWWWWWW"});
    const QImage image = Render(d, {640, 480});
    QCOMPARE(InkIn(image, Qt::black, QRect(0, 0, 640, 60)).pixels, 0);
    QCOMPARE(InkIn(image, Qt::black, QRect(0, 420, 640, 60)).pixels, 0);
    QVERIFY(InkIn(image, Qt::black, QRect(0, 60, 640, 40)).pixels > 1000);
  }

  void colourOpacityAndBackground() {
    const Dialect red = Stage({"@m1 marq-size 80", "@m1 marq-color 0xFF0000", "@m1 marq-marquee I",
                               "@m1 marq-position 0"});
    const QImage image = Render(red, {1280, 720});
    QCOMPARE(image.pixel(640, 360), qRgb(255, 0, 0));  // the middle of the stroke of "I"

    const Dialect clear =
        Stage({"@m1 marq-opacity 0", "@m1 marq-marquee invisible", "@m1 marq-position 0"});
    QCOMPARE(InkIn(Render(clear, {640, 360}), Qt::black).pixels, 0);

    const QColor green(0, 255, 0);
    const Dialect d = Stage({"@m1 marq-size 80", "@m1 marq-marquee I", "@m1 marq-position 0"});
    const QImage keyed = Render(d, {1280, 720}, green);
    QCOMPARE(keyed.pixel(0, 0), green.rgb());
    QCOMPARE(keyed.pixel(1279, 719), green.rgb());
    QCOMPARE(keyed.pixel(640, 360), qRgb(255, 255, 255));  // the default colour
    const Ink ink = InkIn(keyed, green);
    QVERIFY(ink.pixels > 500 && ink.box.width() < 100);
  }

  void emptyTextAndLineBreaks() {
    QCOMPARE(InkIn(Render(Stage({"@m1 marq-marquee $_"}), {640, 360}), Qt::black).pixels, 0);
    QCOMPARE(InkIn(Render(Stage({"@m1 marq-marquee"}), {640, 360}), Qt::black).pixels, 0);

    const Dialect one = Stage({"@m1 marq-position 4", "@m1 marq-marquee Line"});
    const Dialect two = Stage({"@m1 marq-position 4", "@m1 marq-marquee Line$_Line"});
    const Ink a = InkIn(Render(one, {1280, 720}), Qt::black);
    const Ink b = InkIn(Render(two, {1280, 720}), Qt::black);
    QCOMPARE(b.box.top(), a.box.top());
    QVERIFY(b.box.height() > a.box.height() * 2);
    QCOMPARE(b.box.width(), a.box.width());
  }

  void keptPicturesFollowMovesAndChanges() {
    // One view, so its kept pictures are reused between grabs.
    Dialect d = Stage({"@m1 marq-position 5", "@m1 marq-size 60", "@m1 marq-marquee Moving"});
    StageView view(
        d, [] { return std::int64_t{0}; }, Qt::black);
    view.resize(1280, 720);
    auto grab = [&] { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage first = grab();
    const Ink a = InkIn(first, Qt::black);

    d.Feed("@m1 marq-x 300", 0);
    d.Feed("@m1 marq-y 200", 0);
    const QImage moved = grab();
    const Ink b = InkIn(moved, Qt::black);
    QCOMPARE(b.box, a.box.translated(300, 200));
    QCOMPARE(moved.copy(b.box), first.copy(a.box));

    // Half past the left edge, then fully back: the same picture again.
    d.Feed("@m1 marq-x -100", 0);
    const Ink clipped = InkIn(grab(), Qt::black);
    QCOMPARE(clipped.box.left(), 0);
    QVERIFY(clipped.pixels < b.pixels);
    d.Feed("@m1 marq-x 300", 0);
    QCOMPARE(grab(), moved);

    d.Feed("@m1 marq-marquee Moving on", 0);
    QVERIFY(InkIn(grab(), Qt::black).box.width() > b.box.width());
    d.Feed("@m1 marq-color 0x00FF00", 0);
    const QImage green = grab();
    int pure_green = 0;
    for (int y = 0; y < green.height(); ++y) {
      for (int x = 0; x < green.width(); ++x) pure_green += green.pixel(x, y) == qRgb(0, 255, 0);
    }
    QVERIFY(pure_green > 500);
  }

  void giantTextIsDrawnWhereTheFrameShowsIt() {
    // The longest line's text at the largest size: only the few glyphs in
    // the frame are drawn, and they fill it.
    std::string line = "@m1 marq-marquee " + std::string(32751, 'H');
    const Dialect d = Stage({"@m1 marq-size 1000", "@m1 marq-position 0", line.c_str()});
    const Ink ink = InkIn(Render(d, {640, 360}), Qt::black);
    QVERIFY(ink.pixels > 640 * 360 / 4);
  }

  void textDisappearsWhenItsTimeIsUp() {
    const Dialect d = Stage({"@m3 marq-timeout 1000", "@m3 marq-marquee brief"}, 5000);
    QVERIFY(InkIn(Render(d, {640, 360}, Qt::black, 5999), Qt::black).pixels > 0);
    QCOMPARE(InkIn(Render(d, {640, 360}, Qt::black, 6000), Qt::black).pixels, 0);
  }

  void repaintsByItselfWhenATimeoutEnds() {
    QElapsedTimer clock;
    clock.start();
    Dialect d;
    d.Feed("@m1 marq-timeout 300", clock.elapsed());
    d.Feed("@m1 marq-marquee brief", clock.elapsed());
    StageView view(
        d, [&clock] { return clock.elapsed(); }, Qt::black);
    view.resize(320, 180);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    struct PaintLog : QObject {
      std::vector<qint64> at;
      QElapsedTimer* clock = nullptr;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) at.push_back(clock->elapsed());
        return false;
      }
    } log;
    log.clock = &clock;
    view.installEventFilter(&log);
    view.overlaysChanged();
    QVERIFY(QTest::qWaitFor([&] { return !log.at.empty() && log.at.back() >= 300; }, 30000));
  }
};

QTEST_MAIN(StageViewTest)
#include "stage_view_test.moc"
