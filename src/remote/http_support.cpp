#include "remote/http_support.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/listener.h"
#include "stage/overlay_state.h"

namespace stanzo::remote {

namespace {

// Set on the accepting thread while it turns away a connection the pool
// has no room for.
thread_local bool turning_away = false;

// A fixed pool with a bounded queue. The library hands each accepted
// connection over as a job that must run to close its socket; a job that
// finds the pool and its queue full runs at once on the accepting thread,
// which answers it 503 and closes it.
class BoundedPool : public httplib::TaskQueue {
 public:
  BoundedPool(int threads, int waiting) : waiting_(static_cast<std::size_t>(waiting)) {
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
  }
  void enqueue(std::function<void()> fn) override {
    {
      std::lock_guard lock(mutex_);
      if (jobs_.size() < waiting_) {
        jobs_.push_back(std::move(fn));
        cond_.notify_one();
        return;
      }
    }
    turning_away = true;
    fn();
    turning_away = false;
  }
  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    cond_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> fn;
      {
        std::unique_lock lock(mutex_);
        cond_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        fn = std::move(jobs_.front());
        jobs_.pop_front();
      }
      fn();
    }
  }

  std::size_t waiting_;
  std::mutex mutex_;
  std::condition_variable cond_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  bool stop_ = false;
};

}  // namespace

void Bound(httplib::Server& server, const Bounds& b) {
  server.new_task_queue = [b] { return new BoundedPool(b.connections, b.waiting); };
  server.set_socket_options(
      [](socket_t s) { platform::PrepareListener(static_cast<std::uintptr_t>(s)); });
  // A controller's press is one small request: no waiting to fill a segment.
  server.set_tcp_nodelay(true);
  server.set_payload_max_length(b.requestBytes);
  server.set_read_timeout(std::chrono::milliseconds(b.idleMs));
  server.set_write_timeout(std::chrono::milliseconds(b.idleMs));
  server.set_keep_alive_timeout(b.idleMs / 1000);
}

bool TurningAway() {
  return turning_away;
}

void ServeEvents(RemoteHub& hub, bool overlay, std::atomic<int>& pages, int maxPages,
                 std::chrono::milliseconds heartbeat, httplib::Response& res) {
  if (++pages > maxPages) {
    --pages;
    res.status = 503;
    res.set_content("{\"error\":\"too many pages open\"}", "application/json; charset=utf-8");
    return;
  }
  res.set_header("Cache-Control", "no-store");
  auto version = std::make_shared<std::uint64_t>(0);
  auto first = std::make_shared<bool>(true);
  res.set_chunked_content_provider(
      "text/event-stream",
      [&hub, version, first, overlay, heartbeat](size_t, httplib::DataSink& sink) {
        const Snapshot s = *first ? hub.Latest() : hub.WaitNewer(*version, heartbeat);
        if (hub.Closed()) return false;
        std::string event;
        if (*first || s.version > *version) {
          const std::string& data = overlay ? s.overlay : s.state;
          event = (*first ? "retry: 1000\n" : "") + std::string("data: ") + data + "\n\n";
        } else {
          event = ": still here\n\n";
        }
        *first = false;
        *version = s.version;
        return sink.write(event.data(), event.size());
      },
      [&pages](bool) { --pages; });
}

}  // namespace stanzo::remote
