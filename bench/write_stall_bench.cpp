// How long a Write holds its caller when the player stops reading: a
// loopback listener accepts the link and never reads, and the client writes
// slide-sized lines until a Write fails. The socket buffers fill first (a
// few MB on loopback), then one Write waits. A watchdog ends the program
// when that Write is still blocked after the limit.
//
// Usage: write_stall_bench [limit_ms (10000)] [line_bytes (100)]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "link/tcp_client.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int limit_ms = argc > 1 ? std::atoi(argv[1]) : 10000;
  const std::size_t line_bytes = argc > 2 ? static_cast<std::size_t>(std::atoi(argv[2])) : 100;

  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr;
  std::memset(&addr, 0, sizeof addr);
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listener, 1) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len)) {
    std::perror("listener");
    return 1;
  }

  stanzo::TIdTCPClient client{stanzo::platform::Sockets::Default(),
                              stanzo::platform::Clock::Default()};
  int disconnects = 0;
  client.OnDisconnected = [&](stanzo::TIdTCPClient&) { ++disconnects; };
  client.Host = "127.0.0.1";
  client.Port = ntohs(addr.sin_port);
  client.Connect(5000);
  const int peer = accept(listener, nullptr, nullptr);  // never read from

  std::string line = "@m1 marq-marquee ";
  line.resize(line_bytes - 1, 'x');
  line += '\n';

  std::atomic<long> write_started_us{-1};
  const auto start = Clock::now();
  std::thread watchdog([&] {
    while (true) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      const long at = write_started_us.load();
      if (at < 0) continue;
      const double blocked = MsSince(start) - static_cast<double>(at) / 1000.0;
      if (blocked > limit_ms) {
        std::printf(
            "summary: a write to a player that stopped reading was still blocked after "
            "%.0f ms (%s)\n",
            blocked, "no limit of its own");
        std::fflush(stdout);
        std::_Exit(0);
      }
    }
  });
  watchdog.detach();

  long lines = 0;
  double longest = 0;
  std::string outcome = "no failure";
  while (true) {
    const auto before = Clock::now();
    write_started_us.store(static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(before - start).count()));
    try {
      client.Write(line);
    } catch (const std::exception& e) {
      longest = std::max(longest, MsSince(before));
      outcome = e.what();
      break;
    }
    write_started_us.store(-1);
    longest = std::max(longest, MsSince(before));
    ++lines;
  }
  for (char& c : outcome) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  std::printf("%ld lines of %zu bytes went out before the player's buffers were full\n", lines,
              line_bytes);
  std::printf(
      "summary: a write to a player that stopped reading froze the caller for %.0f ms, "
      "then raised \"%s\" (OnDisconnected fired %d time(s))\n",
      longest, outcome.c_str(), disconnects);
  close(peer);
  close(listener);
  return 0;
}
