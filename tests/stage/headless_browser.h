// A headless Chromium driven over its DevTools protocol, for tests and
// benchmarks of the overlay page. Starts the browser with a fresh profile
// in a temporary directory, opens one blank tab and talks to it over a
// WebSocket. Every wait spins the caller's event loop up to a deadline.
//
// The browser is "chromium" on PATH, or the program in $STANZO_CHROMIUM.
#pragma once

#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QWebSocket>
#include <functional>
#include <map>
#include <optional>

class HeadlessBrowser {
 public:
  HeadlessBrowser() = default;
  ~HeadlessBrowser();
  HeadlessBrowser(const HeadlessBrowser&) = delete;
  HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

  // Runs the event loop until `condition` holds or `timeout_ms` passed;
  // unlike QTest::qWaitFor it never sleeps while an event is due, so the
  // time an event arrives is the time it is handled.
  static bool WaitFor(const std::function<bool()>& condition, int timeout_ms);

  // Whether a browser can be found at all.
  static QString Executable();

  // Starts the browser with a `width` x `height` viewport whose default
  // background is transparent. False with a reason on failure.
  bool start(int width, int height, QString* error);

  // Calls a DevTools method on the tab and waits for its result; nullopt
  // (with the reason in lastError()) on an error reply or time-out.
  std::optional<QJsonObject> call(const QString& method, const QJsonObject& params = {});
  // The value of a JavaScript expression in the tab, or undefined.
  QJsonValue evaluate(const QString& expression);
  // Loads `url` and waits for its load event.
  bool navigate(const QString& url);
  // A screenshot of the viewport, alpha kept.
  QImage screenshot();

  // Called for each event of the tab (e.g. "Runtime.bindingCalled").
  std::function<void(const QString& method, const QJsonObject& params)> on_event;

  QString lastError() const { return error_; }

 private:
  std::optional<QJsonObject> send(const QString& method, const QJsonObject& params, bool to_tab);
  void receive(const QString& message);

  QProcess process_;
  QTemporaryDir profile_;
  QWebSocket socket_;
  QString session_;
  int next_id_ = 1;
  std::map<int, QJsonObject> replies_;
  QString error_;
};
