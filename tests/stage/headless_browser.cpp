#include "headless_browser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr int kDeadlineMs = 30000;

}  // namespace

bool HeadlessBrowser::WaitFor(const std::function<bool()>& condition, int timeout_ms) {
  QElapsedTimer clock;
  clock.start();
  QTimer tick;  // wakes the loop to look at the clock
  tick.start(50);
  while (!condition()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

HeadlessBrowser::~HeadlessBrowser() {
  socket_.abort();
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(kDeadlineMs);
  }
}

QString HeadlessBrowser::Executable() {
  const QString chosen = qEnvironmentVariable("STANZO_CHROMIUM");
  if (!chosen.isEmpty()) return chosen;
  return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

bool HeadlessBrowser::start(int width, int height, QString* error) {
  const QString program = Executable();
  if (program.isEmpty()) {
    *error = QStringLiteral("no chromium on PATH (scripts/deps.sh test installs it)");
    return false;
  }
  if (!profile_.isValid()) {
    *error = QStringLiteral("no temporary directory");
    return false;
  }
  // Running as root needs --no-sandbox; the rest keeps the browser quiet,
  // offline apart from our own pages, and quick to start.
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.setStandardOutputFile(QProcess::nullDevice());
  process_.start(program, {
                              QStringLiteral("--headless"),
                              QStringLiteral("--no-sandbox"),
                              QStringLiteral("--disable-gpu"),
                              QStringLiteral("--disable-quic"),
                              QStringLiteral("--no-first-run"),
                              QStringLiteral("--no-default-browser-check"),
                              QStringLiteral("--disable-background-networking"),
                              QStringLiteral("--disable-component-update"),
                              QStringLiteral("--disable-sync"),
                              QStringLiteral("--disable-extensions"),
                              QStringLiteral("--mute-audio"),
                              QStringLiteral("--hide-scrollbars"),
                              QStringLiteral("--password-store=basic"),
                              QStringLiteral("--user-data-dir=") + profile_.path(),
                              QStringLiteral("--remote-debugging-port=0"),
                              QStringLiteral("--window-size=%1,%2").arg(width).arg(height),
                              QStringLiteral("about:blank"),
                          });
  if (!process_.waitForStarted(kDeadlineMs)) {
    *error =
        QStringLiteral("cannot start ") + program + QStringLiteral(": ") + process_.errorString();
    return false;
  }
  // The browser writes its DevTools port and path here once it listens.
  QFile active(profile_.filePath(QStringLiteral("DevToolsActivePort")));
  QStringList lines;
  const bool found = WaitFor(
      [&] {
        if (process_.state() == QProcess::NotRunning) return true;
        if (!active.open(QIODevice::ReadOnly)) return false;
        lines = QString::fromLatin1(active.readAll()).split(QLatin1Char('\n'));
        active.close();
        return lines.size() >= 2 && !lines[1].isEmpty();
      },
      kDeadlineMs);
  if (!found || lines.size() < 2) {
    *error = QStringLiteral("the browser did not open its DevTools port");
    return false;
  }
  QObject::connect(&socket_, &QWebSocket::textMessageReceived,
                   [this](const QString& m) { receive(m); });
  socket_.open(
      QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(lines[0].trimmed(), lines[1].trimmed())));
  if (!WaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, kDeadlineMs)) {
    *error = QStringLiteral("cannot reach the DevTools socket: ") + socket_.errorString();
    return false;
  }
  const auto target = send(QStringLiteral("Target.createTarget"),
                           {{QStringLiteral("url"), QStringLiteral("about:blank")}}, false);
  if (!target) {
    *error = error_;
    return false;
  }
  const auto attached = send(
      QStringLiteral("Target.attachToTarget"),
      {{QStringLiteral("targetId"), target->value("targetId")}, {QStringLiteral("flatten"), true}},
      false);
  if (!attached) {
    *error = error_;
    return false;
  }
  session_ = attached->value(QStringLiteral("sessionId")).toString();
  const QJsonObject transparent{{QStringLiteral("r"), 0},
                                {QStringLiteral("g"), 0},
                                {QStringLiteral("b"), 0},
                                {QStringLiteral("a"), 0}};
  const bool ready = call(QStringLiteral("Page.enable")) &&
                     call(QStringLiteral("Runtime.enable")) &&
                     call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
                          {{QStringLiteral("width"), width},
                           {QStringLiteral("height"), height},
                           {QStringLiteral("deviceScaleFactor"), 1},
                           {QStringLiteral("mobile"), false}}) &&
                     call(QStringLiteral("Emulation.setDefaultBackgroundColorOverride"),
                          {{QStringLiteral("color"), transparent}});
  if (!ready) *error = error_;
  return ready;
}

std::optional<QJsonObject> HeadlessBrowser::call(const QString& method, const QJsonObject& params) {
  return send(method, params, true);
}

std::optional<QJsonObject> HeadlessBrowser::send(const QString& method, const QJsonObject& params,
                                                 bool to_tab) {
  const int id = next_id_++;
  QJsonObject message{{QStringLiteral("id"), id},
                      {QStringLiteral("method"), method},
                      {QStringLiteral("params"), params}};
  if (to_tab) message.insert(QStringLiteral("sessionId"), session_);
  socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
  if (!WaitFor([&] { return replies_.count(id) > 0; }, kDeadlineMs)) {
    error_ = method + QStringLiteral(": no answer");
    return std::nullopt;
  }
  const QJsonObject reply = replies_[id];
  replies_.erase(id);
  if (reply.contains(QStringLiteral("error"))) {
    error_ = method + QStringLiteral(": ") +
             QString::fromUtf8(QJsonDocument(reply.value("error").toObject()).toJson());
    return std::nullopt;
  }
  return reply.value(QStringLiteral("result")).toObject();
}

void HeadlessBrowser::receive(const QString& text) {
  const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
  if (message.contains(QStringLiteral("id"))) {
    replies_[message.value(QStringLiteral("id")).toInt()] = message;
  } else if (on_event) {
    on_event(message.value(QStringLiteral("method")).toString(),
             message.value(QStringLiteral("params")).toObject());
  }
}

QJsonValue HeadlessBrowser::evaluate(const QString& expression) {
  const auto result =
      call(QStringLiteral("Runtime.evaluate"),
           {{QStringLiteral("expression"), expression}, {QStringLiteral("returnByValue"), true}});
  if (!result) return QJsonValue::Undefined;
  return result->value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
}

bool HeadlessBrowser::navigate(const QString& url) {
  if (!call(QStringLiteral("Page.navigate"), {{QStringLiteral("url"), url}})) return false;
  return WaitFor(
      [&] {
        const QString expression =
            QStringLiteral("location.href === %1 && document.readyState")
                .arg(
                    QString::fromUtf8(QJsonDocument(QJsonArray{url}).toJson(QJsonDocument::Compact))
                        .mid(1)
                        .chopped(1));
        return evaluate(expression).toString() == QLatin1String("complete");
      },
      kDeadlineMs);
}

QImage HeadlessBrowser::screenshot() {
  const auto shot = call(QStringLiteral("Page.captureScreenshot"),
                         {{QStringLiteral("format"), QStringLiteral("png")}});
  if (!shot) return {};
  return QImage::fromData(QByteArray::fromBase64(shot->value("data").toString().toLatin1()), "PNG")
      .convertToFormat(QImage::Format_ARGB32);
}
