// Click-to-wire latency of an ad-hoc command through the real window: the
// command is typed into cboAdhoc's edit line, butSendAdhoc is clicked with
// QTest::mouseClick, and the clock runs from just before the click until
// the stand-in player has read the command's last byte (its arrival time,
// taken on the player's serving thread with the same steady clock).
//
// By default the click is delivered at once, as when the event loop is
// idle; a real click that lands while the window is busy (a poll tick, a
// repaint) waits for it before the handler runs: --queued counts it.
//
// Usage: adhoc_latency_bench [sends (1000)] [--pace MS] [--queued] [--prompt]
//   --pace MS: between sends, run the event loop for a random time,
//              uniform in [MS/2, 3MS/2], as an operator's pace leaves the
//              window idle (the spread keeps the sends from locking onto
//              the poll timer's phase). Default 0: back to back.
//   --queued: the click comes in through the event queue from another
//             thread at a random moment (pace 50 unless given), as the
//             window system's input does, and the clock starts when it is
//             posted: a click that arrives while the window is busy
//             waits too. Adds the row "click waiting in queue".
//   --prompt: the player answers every line with "> " (as a console-style
//             interface does), so the poll timer logs replies meanwhile.
// Prints p50/p90/p99/max of click-to-wire and of the click handler's own
// duration, in milliseconds.
#include <QApplication>
#include <QPushButton>
#include <QTest>
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

int main(int argc, char** argv) {
  stanzo::bench::DefaultToOffscreen();
  const stanzo::bench::LatencyArgs args = stanzo::bench::ParseLatencyArgs(argc, argv);
  const int sends = args.count;
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

  const int warmup = 20;
  std::vector<double> wire, waiting, handler;
  for (int i = 0; i < warmup + sends; ++i) {
    // Varied commands, none equal to the newest history entry.
    std::string text = "@m3 marq-marquee ad-hoc ";
    text += std::to_string(i);
    if (i % 3 == 0) text += " with a longer tail of words to send";
    Child<stanzo::SimpleComboBox>(w, "cboAdhoc")->setEditText(QString::fromStdString(text));
    stanzo::bench::QueuedClick click;
    if (queued) {
      click = stanzo::bench::ClickThroughQueue(Child<QPushButton>(w, "butSendAdhoc"), idle(rng),
                                               arrivals, static_cast<size_t>(i) + 1);
    } else {
      click.posted = click.handled = Clock::now();
      QTest::mouseClick(Child<QPushButton>(w, "butSendAdhoc"), Qt::LeftButton);
      click.returned = Clock::now();
      click.arrived = player.WaitForLines(static_cast<size_t>(i) + 1, 5s);
    }
    if (!click.arrived) {
      std::fprintf(stderr, "send %d never reached the player\n", i);
      std::_Exit(1);  // a click may still be queued
    }
    const auto line = arrivals.At(static_cast<size_t>(i));
    if (line.text != text) {
      std::fprintf(stderr, "send %d: the player read \"%s\"\n", i, line.text.c_str());
      return 1;
    }
    if (i >= warmup) {
      wire.push_back(Ms(line.at - click.posted));
      waiting.push_back(Ms(click.handled - click.posted));
      handler.push_back(Ms(click.returned - click.handled));
    }
    stanzo::bench::BetweenClicks(args, nextIdle);
  }

  std::printf(
      "ad-hoc send: %d sends (after %d warm-up), %d ms apart on average, clicks %s, stand-in "
      "player %s\n",
      sends, warmup, pace, queued ? "queued" : "delivered at once",
      prompt ? "answering \"> \" to every line" : "silent");
  stanzo::bench::PrintTableHeader();
  stanzo::bench::PrintRow("click to wire", wire);
  if (queued) stanzo::bench::PrintRow("click waiting in queue", waiting);
  stanzo::bench::PrintRow("click handler", handler);
  std::printf("summary: ad-hoc click-to-wire p50 %.3f ms, p99 %.3f ms over %d sends\n",
              Percentile(wire, 50), Percentile(wire, 99), sends);
  return 0;
}
