// The overlay page in a real browser: stanzo-stage --headless --http runs
// as its own process, headless Chromium loads the page, and the rc lines
// go in over loopback as the console would send them. Screenshots are
// taken with the browser's default background transparent, so what is not
// drawn by the page stays see-through, as in streaming software.
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

#include "stage/headless_browser.h"

namespace {

constexpr int kDeadlineMs = 30000;
constexpr int kWidth = 1280;
constexpr int kHeight = 720;

// The smallest rectangle holding every pixel at least half opaque.
QRect Drawn(const QImage& image, const QRect& within) {
  QRect box;
  for (int y = within.top(); y <= within.bottom(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = within.left(); x <= within.right(); ++x) {
      if (qAlpha(line[x]) >= 128) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

}  // namespace

class OverlayPageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (HeadlessBrowser::Executable().isEmpty()) {
      if (qEnvironmentVariableIsSet("STANZO_REQUIRE_BROWSER")) QFAIL("no chromium on PATH");
      QSKIP("no chromium on PATH (scripts/deps.sh test installs it)");
    }
    stage_.start(QStringLiteral(STAGE_BINARY),
                 {QStringLiteral("--headless"), QStringLiteral("--listen"),
                  QStringLiteral("127.0.0.1:0"), QStringLiteral("--http"), QStringLiteral("0")});
    QVERIFY(stage_.waitForStarted(kDeadlineMs));
    QByteArray out;
    const QRegularExpression ports(QStringLiteral(
        "Listening on 127\\.0\\.0\\.1:(\\d+)\\nOverlay page at (http://127\\.0\\.0\\.1:\\d+/)\\n"));
    QRegularExpressionMatch match;
    QVERIFY(QTest::qWaitFor(
        [&] {
          out += stage_.readAllStandardOutput();
          match = ports.match(QString::fromLatin1(out));
          return match.hasMatch() || stage_.state() == QProcess::NotRunning;
        },
        kDeadlineMs));
    QVERIFY2(match.hasMatch(), out.constData());
    url_ = match.captured(2);
    QObject::connect(&rc_, &QTcpSocket::readyRead,
                     [this] { prompts_ += rc_.readAll().count("> "); });
    rc_.connectToHost(QHostAddress::LocalHost, match.captured(1).toUShort());
    QVERIFY(QTest::qWaitFor([&] { return prompts_ == 1; }, kDeadlineMs));  // the greeting

    QString error;
    QVERIFY2(browser_.start(kWidth, kHeight, &error), qPrintable(error));
  }

  void cleanupTestCase() {
    stage_.kill();
    stage_.waitForFinished(kDeadlineMs);
  }

  // The console's first slide, sent before the page opened and before any
  // init: the page shows it at once, m1 centred as the default init puts it.
  void showsTheCurrentStateTransparentAndLive() {
    send("@m1 marq-marquee HELLO");
    QVERIFY2(browser_.navigate(url_), qPrintable(browser_.lastError()));
    QVERIFY(waitText("m1", "HELLO"));
    browser_.evaluate(QStringLiteral("window.loadedOnce = true"));

    QImage shot = browser_.screenshot();
    QCOMPARE(shot.size(), QSize(kWidth, kHeight));
    for (const QPoint corner : {QPoint(0, 0), QPoint(kWidth - 1, 0), QPoint(0, kHeight - 1),
                                QPoint(kWidth - 1, kHeight - 1)}) {
      QCOMPARE(qAlpha(shot.pixel(corner)), 0);
    }
    const QRect text = Drawn(shot, shot.rect());
    QVERIFY(!text.isEmpty());
    QVERIFY2(
        qAbs(text.center().x() - kWidth / 2) <= 6 && qAbs(text.center().y() - kHeight / 2) <= 8,
        qPrintable(QStringLiteral("drawn at %1,%2 %3x%4")
                       .arg(text.x())
                       .arg(text.y())
                       .arg(text.width())
                       .arg(text.height())));
    QVERIFY(text.height() >= 40 && text.height() <= 80);  // marq-size 50

    // A change after the page loaded arrives without a reload.
    send("@m2 marq-marquee the next line");
    QVERIFY(waitText("m2", "the next line"));
    QCOMPARE(browser_.evaluate(QStringLiteral("window.loadedOnce === true")).toBool(), true);
    shot = browser_.screenshot();
    const QRect preview = Drawn(shot, QRect(0, kHeight * 3 / 4, kWidth, kHeight / 4));
    QVERIFY(!preview.isEmpty());
    QVERIFY(qAbs(preview.center().x() - kWidth / 2) <= 6);
    QVERIFY(preview.bottom() >= kHeight - 12 && preview.height() <= 40);  // bottom, marq-size 20
    QCOMPARE(Drawn(shot, QRect(0, 0, kWidth, 200)), QRect());
  }

  void placesColoursAndTimesOutLikeTheStage_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QRect>("bounds");  // the drawn text lies inside, near its anchored corner
    QTest::addColumn<bool>("top_left");
    QTest::addColumn<QRgb>("fill");  // most opaque colour expected, alpha included
    QTest::newRow("top-left") << QStringList{"@m3 marq-position 5", "@m3 marq-x 100",
                                             "@m3 marq-y 50", "@m3 marq-size 40"}
                              << QRect(100, 50, 800, 60) << true << qRgba(255, 255, 255, 255);
    QTest::newRow("bottom-right") << QStringList{"@m3 marq-position 10", "@m3 marq-x 100",
                                                 "@m3 marq-y 50"}
                                  << QRect(kWidth - 100 - 800, kHeight - 50 - 60, 800, 60) << false
                                  << qRgba(255, 255, 255, 255);
    QTest::newRow("free, red, half opaque")
        << QStringList{"@m3 marq-position -1", "@m3 marq-x 300", "@m3 marq-y 200",
                       "@m3 marq-color 0xFF0000", "@m3 marq-opacity 128"}
        << QRect(300, 200, 800, 60) << true << qRgba(255, 0, 0, 128);
  }

  void placesColoursAndTimesOutLikeTheStage() {
    QFETCH(QStringList, lines);
    QFETCH(QRect, bounds);
    QFETCH(bool, top_left);
    QFETCH(QRgb, fill);
    send("@m1 marq-marquee $_");
    send("@m2 marq-marquee $_");
    for (const QString& line : lines) send(line.toUtf8());
    const QByteArray text = "Placed " + QByteArray(QTest::currentDataTag());
    send("@m3 marq-marquee " + text);
    QVERIFY(waitText("m3", text));
    const QImage shot = browser_.screenshot();
    const QRect drawn = Drawn(shot, shot.rect());
    const QPoint gap =
        top_left ? drawn.topLeft() - bounds.topLeft() : bounds.bottomRight() - drawn.bottomRight();
    QVERIFY2(!drawn.isEmpty() && bounds.contains(drawn) && gap.x() <= 16 && gap.y() <= 16,
             qPrintable(QStringLiteral("drawn at %1,%2 %3x%4")
                            .arg(drawn.x())
                            .arg(drawn.y())
                            .arg(drawn.width())
                            .arg(drawn.height())));
    // The fill: the most opaque pixel, and the brightest among those.
    QRgb best = 0;
    for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
      for (int x = drawn.left(); x <= drawn.right(); ++x) {
        const QRgb p = shot.pixel(x, y);
        if (qAlpha(p) > qAlpha(best) ||
            (qAlpha(p) == qAlpha(best) &&
             qRed(p) + qGreen(p) + qBlue(p) > qRed(best) + qGreen(best) + qBlue(best))) {
          best = p;
        }
      }
    }
    for (const auto& [got, want] :
         {std::pair(qRed(best), qRed(fill)), std::pair(qGreen(best), qGreen(fill)),
          std::pair(qBlue(best), qBlue(fill)), std::pair(qAlpha(best), qAlpha(fill))}) {
      QVERIFY2(qAbs(got - want) <= 6, qPrintable(QString::number(best, 16)));
    }
    send("@m3 marq-opacity 255");
    send("@m3 marq-color 0xFFFFFF");
  }

  void hidesATextWhenItsTimeoutEnds() {
    send("@m3 marq-timeout 1500");
    send("@m3 marq-marquee brief");
    QVERIFY(waitText("m3", "brief"));
    QVERIFY(QTest::qWaitFor([&] { return text("m3").isEmpty(); }, kDeadlineMs));
    send("@m3 marq-timeout 0");
  }

  void solidBackgroundsOnRequest_data() {
    QTest::addColumn<QString>("query");
    QTest::addColumn<QRgb>("corner");
    QTest::newRow("black") << "?background=black" << qRgba(0, 0, 0, 255);
    QTest::newRow("green") << "?background=green" << qRgba(0, 255, 0, 255);
    QTest::newRow("anything else") << "?background=%3Cb%3E" << qRgba(0, 0, 0, 0);
  }

  void solidBackgroundsOnRequest() {
    QFETCH(QString, query);
    QFETCH(QRgb, corner);
    QVERIFY(browser_.navigate(url_ + query));
    const QImage shot = browser_.screenshot();
    QCOMPARE(shot.pixel(0, 0), corner);
    QCOMPARE(shot.pixel(kWidth - 1, kHeight - 1), corner);
  }

 private:
  // Sends one rc line and waits for the stage's answer, so the stage has
  // taken it when this returns.
  void send(const QByteArray& line) {
    const int expected = prompts_ + 1;
    rc_.write(line + "\n");
    QVERIFY(QTest::qWaitFor([&] { return prompts_ >= expected; }, kDeadlineMs));
  }
  QString text(const char* id) {
    return browser_
        .evaluate(
            QStringLiteral("document.getElementById('%1').textContent").arg(QLatin1String(id)))
        .toString();
  }
  bool waitText(const char* id, const QString& want) {
    return QTest::qWaitFor([&] { return text(id) == want; }, kDeadlineMs);
  }

  QProcess stage_;
  QTcpSocket rc_;
  HeadlessBrowser browser_;
  QString url_;
  int prompts_ = 0;
};

QTEST_MAIN(OverlayPageTest)
#include "overlay_page_test.moc"
