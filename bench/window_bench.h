// Helpers shared by the window benchmarks: percentiles, an arrival record of
// the stand-in player's lines, and the offscreen platform default.
//
// Everything here runs on the GUI thread except LineArrivals' recorder, which
// the stand-in player calls on its serving thread.
#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standin/standin_player.h"

namespace stanzo::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}
inline double Us(Clock::duration d) {
  return std::chrono::duration<double, std::micro>(d).count();
}

// Nearest-rank percentile (p in 0..100) of `v`; 0 for an empty sample.
inline double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(v.size()));
  const size_t i = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
  return v[std::min(i, v.size() - 1)];
}

inline double Mean(const std::vector<double>& v) {
  if (v.empty()) return 0;
  double sum = 0;
  for (double x : v) sum += x;
  return sum / static_cast<double>(v.size());
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 if absent.
inline long ProcStatusKb(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.size() > field.size() && line.compare(0, field.size(), field) == 0 &&
        line[field.size()] == ':')
      return std::atol(line.c_str() + field.size() + 1);
  return -1;
}

// The benchmarks draw into memory unless the caller chose a platform.
inline void DefaultToOffscreen() {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Runs the event loop for `ms` milliseconds the way an idle window does:
// blocked until the next event or timer, so a due timer fires on time.
// (QTest::qWait sleeps in slices of up to 10 ms between passes, which
// leaves timers due but not yet handled when it returns.)
inline void RunEventLoopFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

// Arrival times of the lines the stand-in player receives, in order. Feed
// it through StandinPlayer::Options::on_line; the player's waits count a
// line only after its on_line call has returned, so after a successful
// WaitForLines(n) the first n entries are here.
class LineArrivals {
 public:
  std::function<void(const ReceivedLine&)> Recorder() {
    return [this](const ReceivedLine& line) {
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back({line.text, line.at});
      if (wake_ && lines_.size() >= wakeAt_) {
        QMetaObject::invokeMethod(wake_, &QEventLoop::quit, Qt::QueuedConnection);
        wake_ = nullptr;
      }
    };
  }
  // Quits `loop` through its thread's event queue once `n` lines have
  // arrived (at once if they have); one such request at a time. Cancel it
  // before the loop is destroyed.
  void QuitWhen(size_t n, QEventLoop* loop) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (lines_.size() >= n) {
      QMetaObject::invokeMethod(loop, &QEventLoop::quit, Qt::QueuedConnection);
      return;
    }
    wakeAt_ = n;
    wake_ = loop;
  }
  void CancelQuit() {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = nullptr;
  }
  struct Entry {
    std::string text;
    Clock::time_point at;
  };
  Entry At(size_t i) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.at(i);
  }
  size_t Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> lines_;
  QEventLoop* wake_ = nullptr;
  size_t wakeAt_ = 0;
};

// A click that comes in through the event queue, as the window system's
// input does: while the GUI thread runs its event loop, another thread
// waits `delayMs`, notes the time and posts the click; the GUI thread
// carries it out when its loop gets to it (after a poll tick that is
// waiting for a reply, say), then runs on until `lines` lines have reached
// the player. Times: posted, handler start, handler return.
struct QueuedClick {
  Clock::time_point posted, handled, returned;
  bool arrived = false;
};
inline QueuedClick ClickThroughQueue(QAbstractButton* button, int delayMs, LineArrivals& arrivals,
                                     size_t lines) {
  QueuedClick r;
  QEventLoop loop;
  arrivals.QuitWhen(lines, &loop);
  QTimer::singleShot(delayMs + 5000, &loop, &QEventLoop::quit);
  std::thread input([&r, button, delayMs] {
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    r.posted = Clock::now();
    QMetaObject::invokeMethod(
        button,
        [&r, button] {
          r.handled = Clock::now();
          QTest::mouseClick(button, Qt::LeftButton);
          r.returned = Clock::now();
        },
        Qt::QueuedConnection);
  });
  loop.exec();
  input.join();
  arrivals.CancelQuit();
  // A click still queued after the deadline would outlive `r`: callers
  // give up on !arrived and end the program.
  r.arrived = arrivals.Count() >= lines && r.returned != Clock::time_point();
  return r;
}

// Command line of the latency benchmarks: [COUNT] [--prompt] [--queued]
// [--pace MS]. --queued defaults the pace to 50 ms.
struct LatencyArgs {
  int count = 1000;
  bool prompt = false;  // the player answers "> " to every line
  bool queued = false;  // clicks go through the event queue
  int pace = 0;         // mean idle time between clicks, ms
};

inline LatencyArgs ParseLatencyArgs(int argc, char** argv) {
  LatencyArgs a;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--prompt") == 0)
      a.prompt = true;
    else if (std::strcmp(argv[i], "--queued") == 0)
      a.queued = true;
    else if (std::strcmp(argv[i], "--pace") == 0 && i + 1 < argc)
      a.pace = std::atoi(argv[++i]);
    else if (std::atoi(argv[i]) > 0)
      a.count = std::atoi(argv[i]);
  }
  if (a.queued && a.pace == 0) a.pace = 50;
  return a;
}

// Shows the console's window and connects it to `player`; false (with a
// message on stderr) when either fails.
template <class Console>
bool StartConnected(Console& console, const StandinPlayer& player) {
  console.Start();
  if (!QTest::qWaitForWindowExposed(console.window.get())) {
    std::fprintf(stderr, "the window was never exposed\n");
    return false;
  }
  console.ConnectTo(player);
  if (!console.core->IsConnected()) {
    std::fprintf(stderr, "could not connect to the stand-in player\n");
    return false;
  }
  return true;
}

// Between two clicks: nothing for queued clicks (their own delay paces
// them), an operator's idle time when paced, else one event pass so the
// timer and painting get their turn.
template <class Idle>
void BetweenClicks(const LatencyArgs& args, Idle& idle) {
  if (args.queued) return;
  if (args.pace > 0)
    RunEventLoopFor(idle());
  else
    QCoreApplication::processEvents();
}

// The figures table: a header, then one row per series.
inline void PrintTableHeader() {
  std::printf("%-22s %8s %8s %8s %8s %8s  (ms)\n", "", "mean", "p50", "p90", "p99", "max");
}
inline void PrintRow(const char* what, const std::vector<double>& v) {
  std::printf("%-22s %8.3f %8.3f %8.3f %8.3f %8.3f\n", what, Mean(v), Percentile(v, 50),
              Percentile(v, 90), Percentile(v, 99), Percentile(v, 100));
}

}  // namespace stanzo::bench
