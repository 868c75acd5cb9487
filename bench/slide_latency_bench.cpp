// Press-to-wire latency of a slide through the real window: a queue of text
// lines is copied from the lyric editor with the "--->" button, then
// butSlide is clicked with QTest::mouseClick once per line. The clock runs
// from just before the click until the stand-in player has read both the
// m1 (main text) and the m2 (preview) line of that press; the gap between
// the two arrivals is reported as well. Between the two sends the window
// handles its pending events, so a due poll tick can fall into the gap.
//
// By default the click is delivered at once, as when the event loop is
// idle; a real press that lands while the window is busy (a poll tick, a
// repaint) waits for it before the handler runs: --queued counts it.
//
// Usage: slide_latency_bench [presses (1000)] [--pace MS] [--queued] [--prompt]
//   --pace MS: between presses, run the event loop for a random time,
//              uniform in [MS/2, 3MS/2], as an operator's pace leaves the
//              window idle (the spread keeps the presses from locking onto
//              the poll timer's phase). Default 0: back to back.
//   --queued: the click comes in through the event queue from another
//             thread at a random moment (pace 50 unless given), as the
//             window system's input does, and the clock starts when it is
//             posted: a press that arrives while the window is busy
//             waits too. Adds the row "click waiting in queue".
//   --prompt: the player answers every line with "> ", so the poll timer
//             logs replies meanwhile.
// Prints p50/p90/p99/max of press-to-m1, press-to-m2 (both lines on the
// wire), the m1-to-m2 gap and the click handler's own duration, in ms.
#include <QApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/gui_fixture.h"
#include "window_bench.h"

using namespace std::chrono_literals;
using stanzo::bench::Clock;
using stanzo::bench::Mean;
using stanzo::bench::Ms;
using stanzo::bench::Percentile;

using stanzo::testing::Child;

namespace {

const char* const kWords[] = {"Morning", "light", "the", "kettle", "sings", "a",
                              "tune", "to", "wake", "the", "sleepy", "town"};

// Queue line n: a text line of a few words, now and then with a "$_" break.
std::string QueueLine(int n) {
  std::string line = "Line ";
  line += std::to_string(n);
  for (int k = 0; k < 3 + n % 6; ++k) {
    line += ' ';
    line += kWords[static_cast<size_t>(n + k) % std::size(kWords)];
  }
  if (n % 5 == 0) line += "$_and on";
  return line;
}

int SelectedRow(const QListWidget* list) {
  const auto rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

}  // namespace

int main(int argc, char** argv) {
  stanzo::bench::DefaultToOffscreen();
  const stanzo::bench::LatencyArgs args = stanzo::bench::ParseLatencyArgs(argc, argv);
  const int presses = args.count;
  const bool prompt = args.prompt;
  const bool queued = args.queued;
  const int pace = args.pace;
  int qargc = 1;
  stanzo::StanzoApplication app(qargc, argv);

  std::mt19937 rng(1);
  std::uniform_int_distribution<int> idle(pace / 2, pace + pace / 2);
  auto nextIdle = [&] { return idle(rng); };
  stanzo::bench::LineArrivals arrivals;
  stanzo::StandinPlayer::Options options;
  options.on_line = arrivals.Recorder();
  if (prompt) options.unmatched_reply = "> ";
  stanzo::StandinPlayer player(options);

  stanzo::testing::Console console;
  if (!stanzo::bench::StartConnected(console, player)) return 1;
  stanzo::TfrmMain& w = *console.window;

  // The queue: one line per press, plus one so the last press has a preview.
  const int lines = presses + 1;
  std::string script;
  for (int n = 0; n < lines; ++n) script += QueueLine(n) + "\n";
  Child<QPlainTextEdit>(w, "memLyric")->setPlainText(QString::fromStdString(script));
  QTextCursor caret = Child<QPlainTextEdit>(w, "memLyric")->textCursor();
  caret.setPosition(0);
  Child<QPlainTextEdit>(w, "memLyric")->setTextCursor(caret);
  QTest::mouseClick(Child<QPushButton>(w, "butToList"), Qt::LeftButton);
  if (Child<QListWidget>(w, "lstLyrics")->count() != lines ||
      SelectedRow(Child<QListWidget>(w, "lstLyrics")) != 0) {
    std::fprintf(stderr, "the queue holds %d lines, selection %d\n",
                 Child<QListWidget>(w, "lstLyrics")->count(),
                 SelectedRow(Child<QListWidget>(w, "lstLyrics")));
    return 1;
  }
  QCoreApplication::processEvents();

  std::vector<double> toM1, toM2, gap, waiting, handler;
  for (int i = 0; i < presses; ++i) {
    const size_t m1 = 2 * static_cast<size_t>(i);
    stanzo::bench::QueuedClick click;
    if (queued) {
      click = stanzo::bench::ClickThroughQueue(Child<QPushButton>(w, "butSlide"), idle(rng),
                                               arrivals, m1 + 2);
    } else {
      click.posted = click.handled = Clock::now();
      QTest::mouseClick(Child<QPushButton>(w, "butSlide"), Qt::LeftButton);
      click.returned = Clock::now();
      click.arrived = player.WaitForLines(m1 + 2, 5s);
    }
    if (!click.arrived) {
      std::fprintf(stderr, "press %d never reached the player\n", i);
      std::_Exit(1);  // a click may still be queued
    }
    const auto main = arrivals.At(m1);
    const auto preview = arrivals.At(m1 + 1);
    std::string expected = "@m1 marq-marquee ";
    expected += QueueLine(i);
    if (main.text != expected || preview.text.rfind("@m2 marq-marquee ", 0) != 0) {
      std::fprintf(stderr, "press %d: the player read \"%s\" and \"%s\"\n", i, main.text.c_str(),
                   preview.text.c_str());
      return 1;
    }
    toM1.push_back(Ms(main.at - click.posted));
    toM2.push_back(Ms(preview.at - click.posted));
    gap.push_back(Ms(preview.at - main.at));
    waiting.push_back(Ms(click.handled - click.posted));
    handler.push_back(Ms(click.returned - click.handled));
    stanzo::bench::BetweenClicks(args, nextIdle);
  }

  std::printf(
      "slide: %d presses over a queue of %d text lines, %d ms apart on average, clicks %s, "
      "stand-in player %s\n",
      presses, lines, pace, queued ? "queued" : "delivered at once",
      prompt ? "answering \"> \" to every line" : "silent");
  stanzo::bench::PrintTableHeader();
  stanzo::bench::PrintRow("press to m1", toM1);
  stanzo::bench::PrintRow("press to m1+m2", toM2);
  stanzo::bench::PrintRow("m1 to m2 gap", gap);
  if (queued) stanzo::bench::PrintRow("click waiting in queue", waiting);
  stanzo::bench::PrintRow("click handler", handler);
  const auto slow = std::count_if(gap.begin(), gap.end(), [](double ms) { return ms > 10; });
  std::printf("presses whose m1-m2 gap exceeded 10 ms (a poll tick in between): %ld\n",
              static_cast<long>(slow));
  std::printf(
      "summary: slide press-to-wire (m1+m2) p50 %.3f ms, p99 %.3f ms; m1-m2 gap p99 %.3f ms "
      "over %d presses\n",
      Percentile(toM2, 50), Percentile(toM2, 99), Percentile(gap, 99), presses);
  return 0;
}
