// The console's pages in headless Chromium, against the console core over
// its plain-data window and the stand-in player: a phone-sized remote, the
// monitor and the overlay page open at once, driven as the operator would.
// The server's tasks run in this test's event loop, as in the windows.
#include <QtTest>

#include "console/console.h"
#include "console/fake_console_view.h"
#include "platform/env.h"
#include "remote/remote_server.h"
#include "stage/headless_browser.h"
#include "standin/standin_player.h"
#include "text/temp_files.h"

namespace {

using stanzo::Control;
constexpr int kDeadlineMs = 30000;

// Waits in the event loop; the console's tasks run meanwhile.
bool Eventually(const std::function<bool()>& condition) {
  return HeadlessBrowser::WaitFor(condition, kDeadlineMs);
}

QString Text(HeadlessBrowser& b, const QString& expression) {
  return b.evaluate(expression).toString();
}

// A tap: the mouse pressed and released at the middle of the element.
bool Tap(HeadlessBrowser& b, const QString& selector) {
  const QJsonValue box = b.evaluate(
      QStringLiteral("(function(){const r=document.querySelector('%1').getBoundingClientRect();"
                     "return [r.x + r.width / 2, r.y + r.height / 2];})()")
          .arg(selector));
  if (!box.isArray()) return false;
  for (const char* type : {"mousePressed", "mouseReleased"}) {
    if (!b.call(QStringLiteral("Input.dispatchMouseEvent"), {{"type", type},
                                                             {"x", box[0].toDouble()},
                                                             {"y", box[1].toDouble()},
                                                             {"button", "left"},
                                                             {"clickCount", 1}}))
      return false;
  }
  return true;
}

}  // namespace

class RemotePageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (HeadlessBrowser::Executable().isEmpty()) {
      if (qEnvironmentVariableIsSet("STANZO_REQUIRE_BROWSER")) QFAIL("no chromium on PATH");
      QSKIP("no chromium on PATH (scripts/deps.sh test installs it)");
    }
    stanzo::StandinPlayer::Options o;
    o.greeting.clear();
    player_ = std::make_unique<stanzo::StandinPlayer>(o);
    stanzo::files_test::PutFile(dir_ / "Lyrics.txt",
                                "Morning <b>bells</b>$_ring\r\nOver the hill\r\n"
                                "@m3 marq-marquee x\r\nAnd home\r\n");
    stanzo::files_test::PutFile(dir_ / "stanzo.ini", "[Remote]\r\nListen=127.0.0.1:0\r\n");
    server_.Hub().SetWake([this] {
      QMetaObject::invokeMethod(
          this, [this] { console_.RunRemoteTasks(); }, Qt::QueuedConnection);
    });
    console_.SetRemote(&server_);
    console_.FormCreate();
    view_.Attach(&console_);
    QVERIFY(server_.Port() > 0);
    url_ = QStringLiteral("http://127.0.0.1:%1").arg(server_.Port());
    view_.SetText(Control::edHost, "127.0.0.1:" + std::to_string(player_->Port()));
    console_.butConnectClick();
    QVERIFY(console_.IsConnected());
    // The window's timer.
    connect(&timer_, &QTimer::timeout, this, [this] { console_.Timer1Timer(); });
    timer_.start(stanzo::Console::kPollIntervalMs);
  }

  void aPhoneDrivesTheShowWithTheMonitorAndOverlayOpen() {
    QString error;
    HeadlessBrowser phone, monitor, overlay;
    QVERIFY2(phone.start(390, 844, &error), qPrintable(error));
    QVERIFY2(monitor.start(1280, 720, &error), qPrintable(error));
    QVERIFY2(overlay.start(1280, 720, &error), qPrintable(error));
    QVERIFY(phone.navigate(url_ + "/"));
    QVERIFY(monitor.navigate(url_ + "/monitor"));
    QVERIFY(overlay.navigate(url_ + "/overlay"));
    const QString rows = QStringLiteral("document.querySelectorAll('#queue li').length");
    QVERIFY(Eventually([&] { return phone.evaluate(rows).toInt() == 4; }));
    // Markup in a line is shown as text.
    QCOMPARE(Text(phone, "document.querySelector('#queue li').textContent"),
             QStringLiteral("Morning <b>bells</b>$_ring"));
    QVERIFY(Eventually([&] {
      return Text(monitor, "document.getElementById('upcoming').textContent") ==
             "Morning <b>bells</b>\nring";
    }));

    // Next: the player gets the slide's two lines, byte for byte.
    QVERIFY(Tap(phone, "#next"));
    QVERIFY(Eventually([&] { return player_->LineTexts().size() >= 2; }));
    QCOMPARE(player_->LineTexts(),
             (std::vector<std::string>{"@m1 marq-marquee Morning <b>bells</b>$_ring",
                                       "@m2 marq-marquee Over the hill"}));
    QVERIFY(Eventually([&] {
      return Text(phone, "document.querySelector('#queue li.live').textContent") ==
                 "Morning <b>bells</b>$_ring" &&
             Text(phone, "document.querySelector('#queue li.next').textContent") == "Over the hill";
    }));
    // The monitor: the line on screen and the next one; the overlay: the
    // same lines where the stage puts them.
    QVERIFY(Eventually([&] {
      return Text(monitor, "document.getElementById('live').textContent") ==
                 "Morning <b>bells</b>\nring" &&
             Text(monitor, "document.getElementById('upcoming').textContent") == "Over the hill";
    }));
    QVERIFY(Eventually([&] {
      return Text(overlay, "document.getElementById('m1').textContent") ==
                 "Morning <b>bells</b>\nring" &&
             Text(overlay, "document.getElementById('m2').textContent") == "Over the hill";
    }));
    QVERIFY(!Text(monitor, "document.getElementById('clock').textContent").isEmpty());
    QCOMPARE(overlay.evaluate("document.querySelectorAll('b').length").toInt(), 0);

    // A tap on a line makes it the next line, as a click in the queue does.
    QVERIFY(Tap(phone, "#queue li:nth-child(4)"));
    QVERIFY(Eventually([&] { return view_[Control::lstLyrics].index == 3; }));
    QVERIFY(Eventually([&] {
      return Text(monitor, "document.getElementById('upcoming').textContent") == "And home";
    }));
    QCOMPARE(player_->LineTexts().size(), size_t{2});  // selecting sends nothing
  }

  // The README's pictures, taken when tools/remote-screenshots.sh names the
  // folder: a short song in the queue, as in a show, two lines in.
  void theReadmePictures() {
    const QString shots = qEnvironmentVariable("STANZO_REMOTE_SHOTS");
    if (shots.isEmpty()) QSKIP("STANZO_REMOTE_SHOTS names no folder");
    view_.SetText(Control::memLyric,
                  "Lamps along the harbour\nglow across the bay\n"
                  "Shine, shine, guide us home\nover the evening sea\n"
                  "Boats come in at twilight\nnets are full today\n");
    view_.SetSelection(Control::memLyric, 0, 0);
    console_.butToListClick();
    QString error;
    HeadlessBrowser phone, monitor;
    QVERIFY2(phone.start(390, 844, &error), qPrintable(error));
    QVERIFY2(monitor.start(1280, 720, &error), qPrintable(error));
    QVERIFY(phone.navigate(url_ + "/"));
    QVERIFY(monitor.navigate(url_ + "/monitor"));
    const size_t sent = player_->LineTexts().size();
    for (size_t press = 1; press <= 3; ++press) {
      QVERIFY(Tap(phone, "#next"));
      QVERIFY(Eventually([&] { return player_->LineTexts().size() >= sent + 2 * press; }));
    }
    QVERIFY(Eventually([&] {
      return Text(phone, "document.querySelector('#queue li.live').textContent") ==
                 "Shine, shine, guide us home" &&
             Text(monitor, "document.getElementById('upcoming').textContent") ==
                 "over the evening sea";
    }));
    QVERIFY(phone.screenshot().save(shots + "/remote.png"));
    QVERIFY(monitor.screenshot().save(shots + "/monitor.png"));
  }

  void aClientWithoutThePinIsKeptOut() {
    stanzo::remote::Server guarded;
    std::string error;
    int actions = 0;
    QVERIFY(guarded.Listen(
        "127.0.0.1", 0, "2468",
        [&](stanzo::remote::Route, long long) {
          ++actions;
          return stanzo::remote::Reply{200, "{}"};
        },
        &error));
    HeadlessBrowser b;
    QString failure;
    QVERIFY2(b.start(390, 844, &failure), qPrintable(failure));
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(guarded.Port());
    // Sent on to the login page.
    QVERIFY(b.call(QStringLiteral("Page.navigate"), {{"url", base + "/"}}));
    QVERIFY(Eventually([&] {
      return Text(b, "location.pathname + ' ' + document.readyState") == "/login complete";
    }));
    QCOMPARE(b.evaluate("document.querySelectorAll('#queue').length").toInt(), 0);
    b.evaluate("fetch('/api/next', {method: 'POST'}).then(r => window.status_ = r.status)");
    QVERIFY(Eventually([&] { return b.evaluate("window.status_").toInt() == 401; }));
    QCOMPARE(actions, 0);
  }

 private:
  stanzo::files_test::TempDir dir_;
  std::unique_ptr<stanzo::StandinPlayer> player_;
  stanzo::testing::FakeConsoleView view_;
  stanzo::remote::Server server_;
  stanzo::Console console_{view_, stanzo::platform::Env::Default(), dir_ / "stanzo"};
  QString url_;
  QTimer timer_;
};

QTEST_MAIN(RemotePageTest)
#include "remote_page_test.moc"
