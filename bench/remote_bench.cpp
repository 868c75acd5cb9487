// The console's web server against the stand-in player, on loopback: the
// console core over its plain-data window, with this program's main thread
// as the GUI thread (it sleeps until the server wakes it, and ticks the
// poll timer every 80 ms as the window does).
//
// Each press is a POST /api/next from a controller's keep-alive connection.
// Figures: press to both lines on the wire (the m2 line's arrival), the m1
// to m2 gap, and with `pages` event streams open (the monitor, overlay or
// remote pages of a show), press to the new state at each of them.
//
// Usage: remote_bench [presses (500)] [pages (50)]
// Prints p50/p90/p99/max in ms, then one summary: line.
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "console/fake_console_view.h"
#include "platform/env.h"
#include "remote/remote_server.h"
#include "standin/standin_player.h"
#include "text/temp_files.h"

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Nearest-rank percentile (p in 0..100); 0 for an empty sample.
double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const double rank = std::ceil(p / 100.0 * static_cast<double>(v.size()));
  const size_t i = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
  return v[std::min(i, v.size() - 1)];
}

struct Stamps {
  std::mutex mutex;
  std::condition_variable added;
  std::vector<Clock::time_point> at;
  void Add(Clock::time_point t) {
    {
      std::lock_guard lock(mutex);
      at.push_back(t);
    }
    added.notify_all();
  }
  // Waits (without spinning: the machine has few cores) for `n` stamps.
  bool WaitCount(size_t n, Clock::duration limit) {
    std::unique_lock lock(mutex);
    return added.wait_for(lock, limit, [&] { return at.size() >= n; });
  }
  size_t Count() {
    std::lock_guard lock(mutex);
    return at.size();
  }
};

void Row(const char* name, const std::vector<double>& v) {
  std::printf("%-34s p50 %7.3f  p90 %7.3f  p99 %7.3f  max %7.3f  (n=%zu)\n", name,
              Percentile(v, 50), Percentile(v, 90), Percentile(v, 99), Percentile(v, 100),
              v.size());
}

}  // namespace

int main(int argc, char** argv) {
  const int presses = argc > 1 ? std::atoi(argv[1]) : 500;
  const int pageCount = argc > 2 ? std::atoi(argv[2]) : 50;

  Stamps lines;
  stanzo::StandinPlayer::Options o;
  o.greeting.clear();
  o.on_line = [&](const stanzo::ReceivedLine& l) { lines.Add(l.at); };
  stanzo::StandinPlayer player(o);

  stanzo::files_test::TempDir dir;
  std::string lyrics;
  for (int i = 0; i < presses + 1; ++i) lyrics += "Line " + std::to_string(i) + " of the show\r\n";
  stanzo::files_test::PutFile(dir / "Lyrics.txt", lyrics);
  stanzo::files_test::PutFile(dir / "stanzo.ini", "[Remote]\r\nListen=127.0.0.1:0\r\n");

  stanzo::testing::FakeConsoleView view;
  stanzo::remote::Server server;
  stanzo::Console console(view, stanzo::platform::Env::Default(), dir / "stanzo");
  std::mutex wakeMutex;
  std::condition_variable wakeCond;
  bool woken = false;
  std::atomic<Clock::rep> wokeAt{0};  // when the GUI thread last took tasks
  server.Hub().SetWake([&] {
    {
      std::lock_guard lock(wakeMutex);
      woken = true;
    }
    wakeCond.notify_one();
  });
  console.SetRemote(&server);
  console.FormCreate();
  view.Attach(&console);
  view.SetText(stanzo::Control::edHost, "127.0.0.1:" + std::to_string(player.Port()));
  console.butConnectClick();

  // The GUI thread's loop runs here; the presses and pages on threads.
  std::atomic<bool> done{false};
  std::vector<double> toWire, gap, toPage, toGui;
  std::vector<std::unique_ptr<Stamps>> pages;
  std::vector<std::thread> pageThreads;
  std::thread driver([&] {
    for (int p = 0; p < pageCount; ++p) {
      pages.push_back(std::make_unique<Stamps>());
      Stamps* stamps = pages.back().get();
      pageThreads.emplace_back([&, stamps] {
        httplib::Client c("127.0.0.1", server.Port());
        c.set_read_timeout(60s);
        c.Get("/api/events", [&](const char* data, size_t n) {
          const auto now = Clock::now();
          for (std::string_view s(data, n); s.find("data: ") != std::string_view::npos;
               s.remove_prefix(s.find("data: ") + 6))
            stamps->Add(now);
          return !done;
        });
      });
    }
    for (auto& p : pages) p->WaitCount(1, 30s);  // the state on opening

    httplib::Client controller("127.0.0.1", server.Port());
    controller.set_keep_alive(true);
    controller.set_tcp_nodelay(true);
    for (int i = 0; i < presses; ++i) {
      const size_t lineBase = lines.Count();
      std::vector<size_t> pageBase;
      for (auto& p : pages) pageBase.push_back(p->Count());
      const auto t0 = Clock::now();
      auto r = controller.Post("/api/next");
      if (!r || r->status != 200) {
        std::fprintf(stderr, "press %d failed\n", i);
        break;
      }
      lines.WaitCount(lineBase + 2, 10s);
      {
        std::lock_guard lock(lines.mutex);
        toWire.push_back(Ms(lines.at[lineBase + 1] - t0));
        toGui.push_back(Ms(Clock::time_point(Clock::duration(wokeAt.load())) - t0));
        gap.push_back(Ms(lines.at[lineBase + 1] - lines.at[lineBase]));
      }
      for (size_t k = 0; k < pages.size(); ++k) {
        pages[k]->WaitCount(pageBase[k] + 1, 5s);
        std::lock_guard lock(pages[k]->mutex);
        if (pages[k]->at.size() > pageBase[k]) toPage.push_back(Ms(pages[k]->at[pageBase[k]] - t0));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5 + i % 7));  // a spread of paces
    }
    done = true;
  });

  auto nextTick = Clock::now() + std::chrono::milliseconds(stanzo::Console::kPollIntervalMs);
  while (!done) {
    {
      std::unique_lock lock(wakeMutex);
      wakeCond.wait_until(lock, nextTick, [&] { return woken; });
      woken = false;
    }
    wokeAt = Clock::now().time_since_epoch().count();
    console.RunRemoteTasks();
    if (Clock::now() >= nextTick) {
      console.Timer1Timer();
      nextTick += std::chrono::milliseconds(stanzo::Console::kPollIntervalMs);
    }
  }
  driver.join();
  // One last change wakes every page so it sees `done` and ends.
  console.RemoteAction(stanzo::remote::Route::kBlank);
  console.RunRemoteTasks();
  for (std::thread& t : pageThreads) t.join();

  std::printf("remote_bench: %d presses, %d pages open\n", presses, pageCount);
  Row("API next to both lines on wire", toWire);
  Row("  of which press to GUI thread", toGui);
  Row("m1 to m2 gap", gap);
  Row("press to state at each page", toPage);
  std::printf(
      "summary: next->wire p50 %.2f p99 %.2f ms; gap p99 %.3f ms; push to %d pages p50 %.2f p99 "
      "%.2f ms\n",
      Percentile(toWire, 50), Percentile(toWire, 99), Percentile(gap, 99), pageCount,
      Percentile(toPage, 50), Percentile(toPage, 99));
  return 0;
}
