// The cost of the n-th reply entry in the log, for n up to 100,000, through
// the real window: Console::LogEvent("R", text) with varied reply texts
// (prompts, status lines, a many-line help text, a long line, NUL bytes,
// non-ASCII text), each followed by one pass of the event loop, as the 80 ms
// poll timer returns to it after logging a reply. That pass lays out and
// paints the log (the paint events its viewport receives are counted, to
// show that every entry was drawn).
//
// Usage: log_append_bench [entries (100000)] [block (10000)]
// Prints one row per block: the mean and p99 cost of LogEvent alone, the
// mean of the event pass, the mean and p99 of both together, in
// microseconds, and the paints; then the ratio of the last block's mean to
// the first's.
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/gui_fixture.h"
#include "window_bench.h"

using stanzo::testing::Child;

namespace {

using stanzo::bench::Clock;
using stanzo::bench::Mean;
using stanzo::bench::Percentile;
using stanzo::bench::Us;

// What a player's rc interface sends back, as it arrives in one poll.
const char* const kReplies[] = {
    "> ",
    "status change: ( audio volume: 256 )\r\n> ",
    "marq-marquee: returned 0 (no error)\r\n> ",
    "+----[ Remote control commands ]\r\n"
    "| add XYZ  . . . . . . . . . . . . add XYZ to playlist\r\n"
    "| enqueue XYZ  . . . . . . . . . queue XYZ to playlist\r\n"
    "| playlist . . . . .  show items currently in playlist\r\n"
    "| seek X . . . seek in seconds, for instance `seek 12'\r\n"
    "| pause  . . . . . . . . . . . . . . . .  toggle pause\r\n"
    "| volume [X] . . . . . . . . . .  set/get audio volume\r\n"
    "+----[ end of help ]\r\n> ",
    "Unknown command `marq-sise'. Type `help' for help.\r\n> ",
    "status change: ( new input: file:///srv/show/Opening%20Hymn%20-%20Verse%201.mp4 )\r\n"
    "status change: ( play state: 3 ): Play\r\n> ",
    "Gr\xC3\xBC\xC3\x9F"
    "e \xE2\x80\x93 \xE2\x99\xAA la la la\n> ",
    "binary\0garbage\0bytes\r> ",
};

std::string ReplyText(long n) {
  const size_t k = static_cast<size_t>(n) % std::size(kReplies);
  std::string text = "#";
  text += std::to_string(n);
  text += ' ';
  if (k == std::size(kReplies) - 1) {
    text.append(kReplies[k], 22);  // keep the NULs
  } else {
    text += kReplies[k];
  }
  // Every 37th reply is one long line (wider than the log: horizontal scroll).
  if (n % 37 == 0) text += std::string(300, static_cast<char>('a' + n % 26));
  return text;
}

struct Sample {
  std::vector<double> append, events, total;
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  long paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  stanzo::bench::DefaultToOffscreen();
  long entries = 100000;
  long block = 10000;
  if (argc > 1 && std::atol(argv[1]) > 0) entries = std::atol(argv[1]);
  if (argc > 2 && std::atol(argv[2]) > 0) block = std::atol(argv[2]);
  int qargc = 1;
  stanzo::StanzoApplication app(qargc, argv);

  stanzo::testing::Console console;
  console.Start();
  stanzo::TfrmMain& w = *console.window;
  if (!QTest::qWaitForWindowExposed(&w)) {
    std::fprintf(stderr, "the window was never exposed\n");
    return 1;
  }
  QCoreApplication::processEvents();
  QWidget* viewport = Child<QPlainTextEdit>(w, "memLog")->viewport();
  const long rssBefore = stanzo::bench::ProcStatusKb("VmRSS");
  PaintCounter counter;
  viewport->installEventFilter(&counter);

  std::printf(
      "log append: %ld entries through Console::LogEvent(\"R\", ...), one event pass "
      "per entry\n",
      entries);
  std::printf("%-15s %9s %9s %9s %9s %9s %7s  (microseconds per entry)\n", "entries", "append",
              "append99", "events", "total", "total99", "paints");

  std::vector<double> blockTotals, blockAppends;
  Sample s;
  const auto startAll = Clock::now();
  for (long n = 1; n <= entries; ++n) {
    const std::string text = ReplyText(n);
    const auto t0 = Clock::now();
    console.core->LogEvent("R", text);
    const auto t1 = Clock::now();
    QCoreApplication::processEvents();
    const auto t2 = Clock::now();
    s.append.push_back(Us(t1 - t0));
    s.events.push_back(Us(t2 - t1));
    s.total.push_back(Us(t2 - t0));
    if (n % block == 0 || n == entries) {
      std::printf("%7ld..%-7ld %9.1f %9.1f %9.1f %9.1f %9.1f %7ld\n",
                  n - static_cast<long>(s.total.size()) + 1, n, Mean(s.append),
                  Percentile(s.append, 99), Mean(s.events), Mean(s.total), Percentile(s.total, 99),
                  counter.paints);
      counter.paints = 0;
      std::fflush(stdout);
      blockTotals.push_back(Mean(s.total));
      blockAppends.push_back(Mean(s.append));
      s = Sample();
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - startAll).count();

  const QScrollBar* bar = Child<QPlainTextEdit>(w, "memLog")->verticalScrollBar();
  std::printf(
      "log: %d blocks, scrolled to the end: %s; resident set %ld kB -> %ld kB; run time "
      "%.1f s\n",
      Child<QPlainTextEdit>(w, "memLog")->document()->blockCount(),
      bar->value() == bar->maximum() ? "yes" : "no", rssBefore,
      stanzo::bench::ProcStatusKb("VmRSS"), seconds);
  const double ratio = blockTotals.back() / blockTotals.front();
  const double appendRatio = blockAppends.back() / blockAppends.front();
  std::printf(
      "summary: log append per entry %.1f us (first block) -> %.1f us (last block), ratio "
      "%.2f (LogEvent alone %.1f -> %.1f us, ratio %.2f)\n",
      blockTotals.front(), blockTotals.back(), ratio, blockAppends.front(), blockAppends.back(),
      appendRatio);
  return 0;
}
