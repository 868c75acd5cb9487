// The real console against Debian's real VLC with the bridge: the window
// runs offscreen in this process and is driven with clicks and typing, as
// an operator drives it; VLC runs headless under the harness's X server,
// and what it shows is checked in its picture (pixels and OCR).
//
// One VLC and one console serve the whole run; the test functions run in
// the order written and build on each other (connect, init, slides, ...),
// the last one shuts VLC down. Run as root, the process first moves into a
// network namespace of its own, so VLC runs with the default launch
// command word for word and the console connects to "localhost" on the
// default port; elsewhere the same command gets free ports.
//
// While the test waits for a picture or a log entry, the console's event
// loop keeps running (its 80 ms timer polls the replies), as it would in a
// show. Frames are time-stamped as they arrive from the X server, so the
// press-to-screen figures do not depend on how often the test looks.

#include <QCoreApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/gui_fixture.h"
#include "extras/dos.h"
#include "extras/launcher.h"
#include "vlc/vlc_harness.h"

using namespace stanzo::vlctest;
using stanzo::testing::Child;
using stanzo::testing::Console;

namespace {

bool g_privateNetwork = false;

constexpr auto kStart = milliseconds(120000);
constexpr auto kReply = milliseconds(20000);
constexpr auto kScreen = milliseconds(20000);

// Where the default init commands put the overlays in the 640x360 test
// picture: m1 centred and large, m2 at the bottom and small.
constexpr Rect kM1{0, 60, 640, 240};
constexpr Rect kM2{0, 316, 640, 44};
constexpr Rect kAll{0, 0, 640, 360};
constexpr Rect kAboveM1{0, 0, 640, 55};

// Pixels of `r` whose grey level lies in [lo, hi].
int CountBetween(const GrayFrame& f, Rect r, int lo, int hi) {
  int n = 0;
  for (int y = r.y; y < r.y + r.h && y < f.height; ++y) {
    for (int x = r.x; x < r.x + r.w && x < f.width; ++x) {
      const int g = f.At(x, y);
      if (g >= lo && g <= hi) ++n;
    }
  }
  return n;
}

// A colour picture of the video area, 8-bit RGB.
struct RgbFrame {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

// The pixels of `r` that `keep` accepts turned white, all others black: a
// picture that ReadText reads like white overlay text.
GrayFrame Mask(const RgbFrame& f, const std::function<bool(const uint8_t*)>& keep) {
  GrayFrame g;
  g.width = f.width;
  g.height = f.height;
  g.pixels.assign(static_cast<size_t>(f.width) * f.height, 0);
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      if (keep(f.At(x, y))) g.pixels[static_cast<size_t>(y) * f.width + x] = 255;
    }
  }
  return g;
}

int CountPixels(const RgbFrame& f, Rect r, const std::function<bool(const uint8_t*)>& pred) {
  int n = 0;
  for (int y = r.y; y < r.y + r.h && y < f.height; ++y) {
    for (int x = r.x; x < r.x + r.w && x < f.width; ++x) {
      if (pred(f.At(x, y))) ++n;
    }
  }
  return n;
}

bool IsRed(const uint8_t* p) {
  return p[0] > 150 && p[1] < 90 && p[2] < 90;
}
bool IsWhite(const uint8_t* p) {
  return p[0] > 200 && p[1] > 200 && p[2] > 200;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

}  // namespace

class VlcConsoleTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void cleanup();

  void connectingLogsTheLinkAndVlcsGreeting();
  void sendInitAndTheSampleSlidesShowOnScreen();
  void rawLinesOfTheScriptReachVlc();
  void measuresPressToScreen();
  void anAdhocStatusIsAnsweredInTheLog();
  void shuttingVlcDownDisconnectsTheConsole();

 private:
  stanzo::TfrmMain& w() { return *console_->window; }
  std::string Log() const {
    return Child<QPlainTextEdit>(*console_->window, "memLog")->toPlainText().toStdString();
  }
  int Selected() const {
    const auto rows =
        Child<QListWidget>(*console_->window, "lstLyrics")->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
  }

  // Waits for `result` (of a blocking wait on another thread) while the
  // console's event loop keeps running here.
  template <class T>
  static T WhileConsoleRuns(std::future<T> result) {
    while (result.wait_for(milliseconds(5)) != std::future_status::ready) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return result.get();
  }

  // Starts waiting for the first frame after frame `after` (or after now)
  // that satisfies `pred`; `pred` must outlive the wait.
  std::future<std::optional<GrayFrame>> StartFrameWait(
      const std::function<bool(const GrayFrame&)>& pred, milliseconds timeout = kScreen,
      uint64_t after = 0) {
    return std::async(std::launch::async, [this, &pred, timeout, after] {
      return frames_->WaitFor(pred, timeout, after);
    });
  }

  // The first frame after frame `after` (or after now) that satisfies
  // `pred`.
  std::optional<GrayFrame> AwaitFrame(const std::function<bool(const GrayFrame&)>& pred,
                                      milliseconds timeout = kScreen, uint64_t after = 0) {
    return WhileConsoleRuns(StartFrameWait(pred, timeout, after));
  }

  // The first frame from now on that satisfies `pred` and whose region `r`
  // has stayed unchanged for a while (several video frames: the grab runs
  // faster than the video, so two equal grabs prove nothing).
  std::optional<GrayFrame> Settled(Rect r, const std::function<bool(const GrayFrame&)>& pred,
                                   milliseconds timeout = kScreen) {
    std::optional<GrayFrame> first;  // of the current unchanged run
    return AwaitFrame(
        [&](const GrayFrame& f) {
          if (!first || CountDifferent(*first, f, r) != 0) first = f;
          return f.at - first->at >= milliseconds(300) && pred(f);
        },
        timeout);
  }
  std::optional<GrayFrame> Settled() {
    return Settled(kAll, [](const GrayFrame&) { return true; });
  }

  // Keeps the console running until `cond` holds or the deadline passes.
  bool WaitUntil(const std::function<bool()>& cond, milliseconds timeout = kReply) {
    const auto deadline = Clock::now() + timeout;
    while (!cond()) {
      if (Clock::now() >= deadline) return false;
      QTest::qWait(5);
    }
    return true;
  }

  // Log text appended since `mark` (a length of Log()).
  std::string LogSince(size_t mark) const { return Log().substr(std::min(mark, Log().size())); }

  // Waits until VLC has answered `n` lines sent since `mark`: every answer
  // ends in the prompt "> ", and the timer logs them as "R " entries.
  bool WaitForPrompts(size_t mark, size_t n) {
    return WaitUntil([&] {
      const std::string s = LogSince(mark);
      return static_cast<size_t>(std::count(s.begin(), s.end(), '>')) >= n;
    });
  }

  std::string Ocr(const GrayFrame& f, Rect r) { return ReadText(f, r, work_); }

  // A colour screenshot of the video area.
  std::optional<RgbFrame> ColourShot() {
    const std::string png = work_ + "/shot.png";
    const std::string raw = work_ + "/shot.rgb";
    if (!player_->Screenshot(png)) return std::nullopt;
    if (RunProgram({"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-i", png, "-f",
                    "rawvideo", "-pix_fmt", "rgb24", "-y", raw},
                   "", milliseconds(60000)) != 0) {
      return std::nullopt;
    }
    RgbFrame f;
    f.width = FrameStream::kWidth;
    f.height = FrameStream::kHeight;
    f.rgb.resize(static_cast<size_t>(f.width) * f.height * 3);
    std::ifstream in(raw, std::ios::binary);
    in.read(reinterpret_cast<char*>(f.rgb.data()), static_cast<std::streamsize>(f.rgb.size()));
    if (in.gcount() != static_cast<std::streamsize>(f.rgb.size())) return std::nullopt;
    return f;
  }

  // Types `text` into a line edit as the operator does: select all, type.
  static void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }

  // Puts `script` into the lyric editor and copies it to the queue from
  // its first line.
  void SetQueue(const QString& script) {
    Child<QPlainTextEdit>(w(), "memLyric")->setPlainText(script);
    QTextCursor c = Child<QPlainTextEdit>(w(), "memLyric")->textCursor();
    c.setPosition(0);
    Child<QPlainTextEdit>(w(), "memLyric")->setTextCursor(c);
    Console::Click(Child<QPushButton>(w(), "butToList"));
  }

  std::string skipReason_;
  std::string work_;
  int port_ = 0;
  int cliPort_ = 0;
  std::unique_ptr<VlcPlayer> player_;
  std::unique_ptr<FrameStream> frames_;
  std::unique_ptr<Console> console_;
};

void VlcConsoleTest::initTestCase() {
  if (const std::string missing = MissingProgram(); !missing.empty()) {
    QSKIP(qPrintable(QString::fromStdString(missing) + " is not installed (scripts/deps.sh vlc)"));
  }
  work_ = MakeWorkDir("/tmp/stanzo-vlc-console-XXXXXX");
  QVERIFY(!work_.empty());

  // The default launch command (the harness runs Debian's vlc and adds the
  // headless options and the test video).
  const auto words =
      stanzo::SplitCommandLine(stanzo::DefaultLaunchCommand(stanzo::platform::Env::Default()));
  std::string error;
  const auto launch =
      LaunchWithBridge(words.value_or(std::vector<std::string>{}), g_privateNetwork, &error);
  QVERIFY2(launch,
           (error + ": " + stanzo::DefaultLaunchCommand(stanzo::platform::Env::Default())).c_str());
  port_ = launch->port;
  cliPort_ = launch->cliPort;
  player_ = std::make_unique<VlcPlayer>(STANZO_VLC_HARNESS, work_ + "/vlc");
  QVERIFY2(player_->Start(launch->args, &error), error.c_str());
  frames_ = std::make_unique<FrameStream>();
  QVERIFY2(frames_->Start(player_->display(), &error), error.c_str());
  // The test video is on screen: its dark blue-grey fills the centre.
  QVERIFY2(AwaitFrame(
               [](const GrayFrame& f) {
                 const int g = f.At(320, 180);
                 return g > 30 && g < 60;
               },
               kStart),
           "the test video never showed up");

  console_ = std::make_unique<Console>();
  console_->Start();
  QVERIFY(QTest::qWaitForWindowExposed(console_->window.get()));
}

void VlcConsoleTest::cleanupTestCase() {
  console_.reset();
  if (frames_) frames_->Stop();
  frames_.reset();
  if (player_) player_->Stop();
  player_.reset();
  std::error_code ec;
  if (!work_.empty()) std::filesystem::remove_all(work_, ec);
}

void VlcConsoleTest::init() {
  QVERIFY(console_);
}

void VlcConsoleTest::cleanup() {
  // No error box may have come up along the way.
  if (console_) {
    const auto errors = console_->dialogs->Errors();
    QVERIFY2(errors.empty(), errors.empty() ? "" : errors.front().c_str());
  }
  if (QTest::currentTestFailed() && player_) {
    std::printf("--- console log ---\n%s\n--- end of VLC's log ---\n%s\n", Log().c_str(),
                player_->Log()
                    .substr(player_->Log().size() > 3000 ? player_->Log().size() - 3000 : 0)
                    .c_str());
  }
}

void VlcConsoleTest::connectingLogsTheLinkAndVlcsGreeting() {
  QVERIFY(!Child<QPushButton>(w(), "butSlide")->isEnabled());
  // In the private network VLC listens on the default port, so the host
  // alone is enough.
  const QString host = g_privateNetwork ? "localhost" : QString("127.0.0.1:%1").arg(port_);
  Type(Child<QLineEdit>(w(), "edHost"), host);
  QCOMPARE(Child<QLineEdit>(w(), "edHost")->text(), host);
  const size_t mark = Log().size();
  Console::Click(Child<QPushButton>(w(), "butConnect"));
  QVERIFY(console_->core->IsConnected());
  QCOMPARE(Child<QPushButton>(w(), "butConnect")->text(), QString("Disconnect"));
  for (QWidget* b : {static_cast<QWidget*>(Child<QPushButton>(w(), "butSlide")),
                     static_cast<QWidget*>(Child<QPushButton>(w(), "butSendInit")),
                     static_cast<QWidget*>(Child<QPushButton>(w(), "butSendAdhoc"))}) {
    QVERIFY(b->isEnabled());
  }
  QVERIFY(LogSince(mark).rfind("\nE Connected", 0) == 0);
  // VLC's greeting arrives at a later tick of the timer, as an "R " entry.
  QVERIFY2(WaitUntil([&] {
             const std::string s = LogSince(mark);
             return s.find("> ") != std::string::npos;
           }),
           Log().c_str());
  const std::string greeting = LogSince(mark);
  QVERIFY2(greeting.find("\nR VLC media player 3.") != std::string::npos, greeting.c_str());
  QVERIFY2(greeting.find("Command Line Interface initialized.") != std::string::npos,
           greeting.c_str());
}

void VlcConsoleTest::sendInitAndTheSampleSlidesShowOnScreen() {
  QVERIFY(console_->core->IsConnected());
  // With no lyric file the sample script is in the queue, from its top.
  QCOMPARE(Child<QListWidget>(w(), "lstLyrics")->count(), 17);
  QCOMPARE(Selected(), 0);
  QCOMPARE(Child<QListWidget>(w(), "lstLyrics")->item(0)->text(),
           QString("This is the first line of the "));

  const auto before = Settled();
  QVERIFY(before);
  QVERIFY(CountBright(*before, kM1) < 20);
  QVERIFY(CountBright(*before, kM2) < 20);
  const std::string blank = Ocr(*before, kM1);
  QVERIFY2(WordsFound("This is the first line of the", blank) < 0.2, blank.c_str());

  // Send Init: six lines, six answers; the overlays are still empty.
  size_t mark = Log().size();
  Console::Click(Child<QPushButton>(w(), "butSendInit"));
  QVERIFY2(WaitForPrompts(mark, 6), LogSince(mark).c_str());
  QVERIFY2(LogSince(mark).find("\nR >") != std::string::npos, LogSince(mark).c_str());

  // The presses of the sample's first slides: main text and preview.
  struct Slide {
    const char* main;
    const char* preview;
    const char* notInMain;  // words of the slide before
  };
  const Slide slides[] = {
      {"This is the first line of the", "first verse of the song", "verse song"},
      {"first verse of the song", "This is the 2nd line of the", "This is line"},
      {"This is the 2nd line of the", "first verse of the song", "verse song"},
  };
  GrayFrame last = *before;
  int row = 0;
  for (const Slide& s : slides) {
    const std::string trace = std::string("slide \"") + s.main + "\"";
    mark = Log().size();
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    QCOMPARE(Selected(), ++row);
    const auto shown = Settled(kAll, [&](const GrayFrame& f) {
      return CountDifferent(last, f, kM1) > 500 && CountDifferent(last, f, kM2) > 100 &&
             CountBright(f, kM1) > 500 && CountBright(f, kM2) > 50;
    });
    QVERIFY2(shown, (trace + ": the overlays never changed").c_str());
    // Only the two overlay regions changed.
    QVERIFY2(CountDifferent(*before, *shown, kAboveM1) < 20, trace.c_str());
    const std::string m1 = Ocr(*shown, kM1);
    const std::string m2 = Ocr(*shown, kM2);
    QVERIFY2(WordsFound(s.main, m1) >= 0.8, (trace + ": " + m1).c_str());
    QVERIFY2(WordsFound(s.notInMain, m1) < 0.5, (trace + ": " + m1).c_str());
    QVERIFY2(WordsFound(s.preview, m2) >= 0.8, (trace + ": " + m2).c_str());
    // Two marquee lines, two answers, in the log.
    QVERIFY2(WaitForPrompts(mark, 2), LogSince(mark).c_str());
    last = *shown;
  }
  QCOMPARE(Child<stanzo::SimpleComboBox>(w(), "cboAdhoc")->itemText(0),
           QString("@m2 marq-marquee first verse of the song"));
}

void VlcConsoleTest::rawLinesOfTheScriptReachVlc() {
  QVERIFY(console_->core->IsConnected());
  // A raw line chained to a text line: one press sends both. The second
  // slide turns the colour back.
  SetQueue(
      "@m1 marq-color 16711680\\\n"
      "Red for the refrain\n"
      "@m1 marq-color 16777215\\\n"
      "White once more\n");
  QCOMPARE(Child<QListWidget>(w(), "lstLyrics")->count(), 4);
  QCOMPARE(Selected(), 0);
  const auto before = Settled();
  QVERIFY(before);
  QVERIFY(CountBright(*before, kM1) > 500);

  size_t mark = Log().size();
  Console::Click(Child<QPushButton>(w(), "butSlide"));
  QCOMPARE(Selected(), 2);
  // Red text is mid-grey in the grab (the dark background is darker, white
  // is brighter): no white is left in m1, and much of it is mid-grey.
  const auto red = Settled(kAll, [&](const GrayFrame& f) {
    return CountBright(f, kM1) < 20 && CountBetween(f, kM1, 65, 120) > 500 &&
           CountBright(f, kM2) > 50 && CountDifferent(*before, f, kM2) > 100;
  });
  QVERIFY2(red, "m1 never turned red");
  QVERIFY2(WaitForPrompts(mark, 3), LogSince(mark).c_str());
  // The colour picture: red text in m1, white text in m2, nothing white
  // in m1.
  const auto shot = ColourShot();
  QVERIFY(shot);
  QVERIFY2(CountPixels(*shot, kM1, IsRed) > 500, "no red text in m1");
  QVERIFY(CountPixels(*shot, kM1, IsWhite) < 20);
  QVERIFY(CountPixels(*shot, kM2, IsWhite) > 50);
  QVERIFY(CountPixels(*shot, kM2, IsRed) < 20);
  const std::string redText = Ocr(Mask(*shot, IsRed), kM1);
  QVERIFY2(WordsFound("Red for the refrain", redText) >= 0.75, redText.c_str());
  const std::string preview = Ocr(*red, kM2);
  QVERIFY2(WordsFound("White once more", preview) >= 0.75, preview.c_str());

  mark = Log().size();
  Console::Click(Child<QPushButton>(w(), "butSlide"));
  QCOMPARE(Selected(), -1);  // past the end
  const auto white = Settled(kAll, [&](const GrayFrame& f) {
    return CountBright(f, kM1) > 500 && CountBright(f, kM2) < 20;
  });
  QVERIFY2(white, "m1 never turned white again");
  QVERIFY2(WaitForPrompts(mark, 3), LogSince(mark).c_str());
  const std::string m1 = Ocr(*white, kM1);
  QVERIFY2(WordsFound("White once more", m1) >= 0.75, m1.c_str());
}

void VlcConsoleTest::measuresPressToScreen() {
  QVERIFY(console_->core->IsConnected());
  const std::vector<std::string> lines = {
      "Seven silver swans",  "rowing past the harbour", "lanterns over water",
      "quiet bells at noon", "paper boats drifting",    "under the old bridge",
  };
  QString script;
  for (const auto& l : lines) script += QString::fromStdString(l) + "\n";
  SetQueue(script);
  QCOMPARE(Selected(), 0);

  std::vector<double> ms;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string trace = "press " + std::to_string(i + 1);
    const auto before = Settled();
    QVERIFY2(before, trace.c_str());
    const auto latest = frames_->Latest();
    QVERIFY(latest);
    // The watch starts before the press, so that it sees every frame.
    const std::function<bool(const GrayFrame&)> isNew = [&](const GrayFrame& f) {
      return CountDifferent(*before, f, kM1) > 500;
    };
    auto watch = StartFrameWait(isNew, kScreen, latest->seq);
    const auto pressed = Clock::now();
    Console::Click(Child<QPushButton>(w(), "butSlide"));
    const auto changed = WhileConsoleRuns(std::move(watch));
    QVERIFY2(changed, (trace + ": m1 never changed").c_str());
    ms.push_back(std::chrono::duration<double, std::milli>(changed->at - pressed).count());
    // What changed is the pressed line.
    const auto shown = Settled(kM1, [&](const GrayFrame& f) {
      return CountDifferent(*before, f, kM1) > 500 && CountBright(f, kM1) > 500;
    });
    QVERIFY2(shown, trace.c_str());
    const std::string m1 = Ocr(*shown, kM1);
    QVERIFY2(WordsFound(lines[i], m1) >= 0.75, (trace + ": " + m1).c_str());
  }
  std::printf(
      "slide press to screen (click to the first grabbed frame with the new m1, frames at "
      "~50/s): p50 %.0f ms, max %.0f ms, min %.0f ms over %zu presses\n",
      Percentile(ms, 0.5), Percentile(ms, 1.0), Percentile(ms, 0.0), ms.size());
  std::fflush(stdout);
}

void VlcConsoleTest::anAdhocStatusIsAnsweredInTheLog() {
  QVERIFY(console_->core->IsConnected());
  const size_t mark = Log().size();
  Type(Child<stanzo::SimpleComboBox>(w(), "cboAdhoc")->lineEdit(), "status");
  QCOMPARE(Child<stanzo::SimpleComboBox>(w(), "cboAdhoc")->currentText(), QString("status"));
  Console::Click(Child<QPushButton>(w(), "butSendAdhoc"));
  QCOMPARE(Child<stanzo::SimpleComboBox>(w(), "cboAdhoc")->itemText(0), QString("status"));
  // The bridge hands "status" to VLC's own CLI; its answer comes back and
  // the timer logs it.
  QVERIFY2(WaitUntil([&] {
             const std::string s = LogSince(mark);
             const size_t at = s.find("( state playing )");
             return at != std::string::npos && s.find("> ", at) != std::string::npos;
           }),
           LogSince(mark).c_str());
  const std::string s = LogSince(mark);
  const size_t at = s.find("( state playing )");
  // The answer lies in an "R " entry (no other kind of entry came between).
  const size_t entry = s.rfind("\nR ", at);
  QVERIFY2(entry != std::string::npos, s.c_str());
  QVERIFY2(s.find("\nE ", entry) == std::string::npos, s.c_str());
  QVERIFY2(s.find("( new input: file://") != std::string::npos, s.c_str());
  QVERIFY2(s.find("bg.avi )") != std::string::npos, s.c_str());
}

void VlcConsoleTest::shuttingVlcDownDisconnectsTheConsole() {
  QVERIFY(console_->core->IsConnected());
  const size_t mark = Log().size();
  Type(Child<stanzo::SimpleComboBox>(w(), "cboAdhoc")->lineEdit(), "shutdown");
  const auto sent = Clock::now();
  Console::Click(Child<QPushButton>(w(), "butSendAdhoc"));
  // VLC closes the link; the next poll of the timer sees it.
  QVERIFY2(WaitUntil([&] { return LogSince(mark).find("\nE Disconnected") != std::string::npos; }),
           LogSince(mark).c_str());
  const double took = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
  std::printf("shutdown to \"E Disconnected\": %.0f ms (timer ticks every %d ms)\n", took,
              stanzo::CommandChannel::kPollIntervalMs);
  std::fflush(stdout);
  QVERIFY(!console_->core->IsConnected());
  QCOMPARE(Child<QPushButton>(w(), "butConnect")->text(), QString("Connect"));
  for (QWidget* b : {static_cast<QWidget*>(Child<QPushButton>(w(), "butSlide")),
                     static_cast<QWidget*>(Child<QPushButton>(w(), "butSlideBack")),
                     static_cast<QWidget*>(Child<QPushButton>(w(), "butSendInit")),
                     static_cast<QWidget*>(Child<QPushButton>(w(), "butSendAdhoc")),
                     static_cast<QWidget*>(Child<QPushButton>(w(), "butTest")),
                     static_cast<QWidget*>(Child<stanzo::RadioGroup>(w(), "grpCams"))}) {
    QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
  }
  // Exactly one disconnected event.
  const std::string s = LogSince(mark);
  QCOMPARE(s.find("\nE Disconnected"), s.rfind("\nE Disconnected"));
  QVERIFY(player_->WaitExited(kReply));

  // Connect again with VLC gone: one error box, still disconnected.
  Console::Click(Child<QPushButton>(w(), "butConnect"));
  const auto errors = console_->dialogs->Errors();
  QCOMPARE(errors.size(), size_t{1});
  QVERIFY2(errors.front().find("Connection refused.") != std::string::npos, errors.front().c_str());
  console_->dialogs->calls.clear();
  QVERIFY(!console_->core->IsConnected());
  QVERIFY(!Child<QPushButton>(w(), "butSlide")->isEnabled());
  QCOMPARE(Child<QPushButton>(w(), "butConnect")->text(), QString("Connect"));
}

int main(int argc, char** argv) {
  // Before any thread exists: a private network for the fixed ports.
  // STANZO_VLC_SHARED_NETWORK=1 keeps the machine's network (free ports).
  g_privateNetwork = !std::getenv("STANZO_VLC_SHARED_NETWORK") && EnterPrivateNetwork();
  std::printf("network: %s\n", g_privateNetwork ? "private namespace, default ports 2323/2324"
                                                : "shared, free ports");
  // The console itself never needs a screen; VLC has the harness's.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  stanzo::StanzoApplication app(argc, argv);
  VlcConsoleTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "vlc_console_test.moc"
