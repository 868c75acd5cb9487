// The console's web server: the pages, the API and the push channel of
// remote_rules.h over HTTP, on threads of its own. Every request that reads
// or changes the console goes through the hub to the GUI thread; the pushes
// send the hub's latest snapshot.
//
// Limits, as the stage's page has them: at most kMaxConnections
// connections are served at once and kMaxWaiting more wait their turn
// (beyond that a connection is answered 503 and closed); at most kMaxPages
// pushes are open; a request may be kMaxRequestBytes long; a connection
// idle for kIdleMs is closed. A wrong Pin makes every Pin check fail for
// kPinLockoutMs, so a Pin cannot be tried out quickly.
//
// Threading: construct, Listen and destroy on one thread (the GUI thread);
// the server's own threads only touch the hub. The destructor closes the
// hub and joins every thread.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "remote/remote_endpoint.h"

namespace stanzo::remote {

class Server : public Endpoint {
 public:
  static constexpr int kMaxConnections = 80;
  static constexpr int kMaxWaiting = 64;
  static constexpr int kMaxPages = 64;
  static constexpr std::size_t kMaxRequestBytes = 64 * 1024;
  static constexpr int kIdleMs = 10000;
  static constexpr int kPinLockoutMs = 1000;
  // How long a request waits for the GUI thread to take it.
  static constexpr std::chrono::milliseconds kTaskDeadline{3000};
  // A push with nothing new sends a comment this often, to find pages
  // that went away without a word.
  static constexpr std::chrono::milliseconds kHeartbeat{15000};

  Server();
  ~Server() override;
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  RemoteHub& Hub() override { return hub_; }
  bool Listen(const std::string& host, int port, const std::string& pin, ActionFn act,
              std::string* error) override;
  std::int64_t NowMs() override;
  // The port listened on (0 before Listen), e.g. after asking for port 0.
  int Port() const { return port_; }
  int OpenPages() const { return pages_.load(); }

 private:
  class Impl;
  RemoteHub hub_;
  std::unique_ptr<Impl> impl_;
  std::thread thread_;
  int port_ = 0;
  std::atomic<int> pages_{0};
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace stanzo::remote
