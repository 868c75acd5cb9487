// rc line to overlay page: the time from writing "@m1 marq-marquee ..." to
// the stage until headless Chromium has the new text in the page (applied),
// and until the browser's next animation frame after that (painted).
//
// Usage: page_latency_bench [lines] [--pace MS]
// Starts stanzo-stage --headless --http on loopback and Chromium (see
// tests/stage/headless_browser.h). The page reports back over a DevTools
// binding, so both times include one DevTools message from the browser to
// this program: they are upper bounds.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include "stage/headless_browser.h"

namespace {

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(v.size()));
  const size_t i = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
  return v[std::min(i, v.size() - 1)];
}

void Row(const char* name, const std::vector<double>& v) {
  std::printf("%-8s %6zu %8.2f %8.2f %8.2f %8.2f\n", name, v.size(), Percentile(v, 50),
              Percentile(v, 90), Percentile(v, 99), Percentile(v, 100));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int lines = 200;
  int pace_ms = 30;
  const QStringList args = app.arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--pace") && i + 1 < args.size()) {
      pace_ms = args[++i].toInt();
    } else {
      lines = args[i].toInt();
    }
  }
  constexpr int kDeadlineMs = 30000;

  QProcess stage;
  stage.start(QStringLiteral(STAGE_BINARY),
              {QStringLiteral("--headless"), QStringLiteral("--listen"),
               QStringLiteral("127.0.0.1:0"), QStringLiteral("--http"), QStringLiteral("0")});
  QByteArray out;
  const QRegularExpression ports(QStringLiteral(
      "Listening on 127\\.0\\.0\\.1:(\\d+)\\nOverlay page at (http://127\\.0\\.0\\.1:\\d+/)\\n"));
  QRegularExpressionMatch match;
  if (!QTest::qWaitFor(
          [&] {
            out += stage.readAllStandardOutput();
            match = ports.match(QString::fromLatin1(out));
            return match.hasMatch();
          },
          kDeadlineMs)) {
    std::fprintf(stderr, "the stage did not start\n");
    return 1;
  }
  HeadlessBrowser browser;
  QString error;
  if (!browser.start(1920, 1080, &error)) {
    std::fprintf(stderr, "%s\n", qPrintable(error));
    return 1;
  }
  QElapsedTimer clock;
  clock.start();
  std::map<QString, qint64> applied_at, painted_at;
  browser.on_event = [&](const QString& method, const QJsonObject& params) {
    if (method != QLatin1String("Runtime.bindingCalled")) return;
    const QString payload = params.value(QStringLiteral("payload")).toString();
    const qint64 now = clock.nsecsElapsed();
    if (payload.startsWith(QLatin1String("applied:"))) applied_at[payload.mid(8)] = now;
    if (payload.startsWith(QLatin1String("painted:"))) painted_at[payload.mid(8)] = now;
  };
  browser.call(QStringLiteral("Runtime.addBinding"), {{QStringLiteral("name"), "stanzoSeen"}});
  if (!browser.navigate(match.captured(2))) {
    std::fprintf(stderr, "%s\n", qPrintable(browser.lastError()));
    return 1;
  }
  browser.evaluate(QStringLiteral(
      "new MutationObserver(function () {"
      "  const t = document.getElementById('m1').textContent;"
      "  if (!t.startsWith('line ')) return;"
      "  stanzoSeen('applied:' + t);"
      "  requestAnimationFrame(function () { stanzoSeen('painted:' + t); });"
      "}).observe(document.getElementById('m1'), {childList: true, characterData: true,"
      " subtree: true}); true"));

  QTcpSocket rc;
  rc.connectToHost(QHostAddress::LocalHost, match.captured(1).toUShort());
  if (!rc.waitForConnected(kDeadlineMs)) return 1;
  std::vector<double> applied, painted;
  for (int i = 0; i < lines; ++i) {
    const QString text = QStringLiteral("line %1 of the benchmark").arg(i);
    const qint64 sent = clock.nsecsElapsed();
    rc.write("@m1 marq-marquee " + text.toUtf8() + "\n");
    rc.flush();
    if (!HeadlessBrowser::WaitFor([&] { return painted_at.count(text) > 0; }, kDeadlineMs)) {
      std::fprintf(stderr, "line %d never showed\n", i);
      return 1;
    }
    rc.readAll();
    if (applied_at.count(text)) applied.push_back((applied_at[text] - sent) / 1e6);
    painted.push_back((painted_at[text] - sent) / 1e6);
    QTest::qWait(pace_ms);
  }
  std::printf("rc line to overlay page, %d lines, %d ms apart, 1920x1080 viewport (ms)\n", lines,
              pace_ms);
  std::printf("%-8s %6s %8s %8s %8s %8s\n", "", "n", "p50", "p90", "p99", "max");
  Row("applied", applied);
  Row("painted", painted);
  std::printf("summary: rc-to-page p50 %.2f ms applied, %.2f ms painted (goal p50 < 20 ms)\n",
              Percentile(applied, 50), Percentile(painted, 50));
  stage.kill();
  stage.waitForFinished(kDeadlineMs);
  return 0;
}
