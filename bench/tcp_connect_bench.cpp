// Prints how long TIdTCPClient::Connect(5000) takes on loopback: a connect
// that succeeds, one that is refused, and one that never gets an answer
// (a listener with backlog 0 whose accept queue is full drops the SYN).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "link/tcp_client.h"

namespace {

using Clock = std::chrono::steady_clock;

int BoundLoopback(int backlog) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr;
  std::memset(&addr, 0, sizeof addr);
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  if (backlog >= 0) listen(fd, backlog);
  return fd;
}

int PortOf(int fd) {
  sockaddr_in addr;
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

// Milliseconds one Connect(5000) to `port` takes, whatever its outcome.
double TimeConnect(int port, const char** outcome) {
  stanzo::TIdTCPClient client{stanzo::platform::Sockets::Default(),
                              stanzo::platform::Clock::Default()};
  client.Host = "127.0.0.1";
  client.Port = port;
  const auto start = Clock::now();
  *outcome = "connected";
  try {
    client.Connect(5000);
  } catch (const std::exception& e) {
    *outcome = e.what();
  }
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-28s n=%zu  min %.1f ms  median %.1f ms  max %.1f ms\n", what, ms.size(),
              ms.front(), ms[ms.size() / 2], ms.back());
}

}  // namespace

int main() {
  const char* outcome = "";
  const int listener = BoundLoopback(16);
  const int closed = BoundLoopback(-1);

  std::vector<double> ok, refused;
  for (int i = 0; i < 10; ++i) {
    ok.push_back(TimeConnect(PortOf(listener), &outcome));
    const int peer = accept(listener, nullptr, nullptr);
    if (peer >= 0) close(peer);
    refused.push_back(TimeConnect(PortOf(closed), &outcome));
  }
  Report("connect (success)", ok);
  Report("connect (refused)", refused);

  // Fill a backlog-0 listener until a further connect hangs.
  const int full = BoundLoopback(0);
  sockaddr_in to;
  std::memset(&to, 0, sizeof to);
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(static_cast<std::uint16_t>(PortOf(full)));
  std::vector<int> fillers;
  bool hangs = false;
  for (int i = 0; i < 16 && !hangs; ++i) {
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    connect(probe, reinterpret_cast<sockaddr*>(&to), sizeof to);
    pollfd pfd{probe, POLLOUT, 0};
    if (poll(&pfd, 1, 500) == 0) {
      hangs = true;
      close(probe);
    } else {
      fillers.push_back(probe);
    }
  }
  if (hangs) {
    const double ms = TimeConnect(PortOf(full), &outcome);
    std::printf("%-28s %.1f ms (%s)\n", "connect (no answer)", ms, outcome);
  } else {
    std::printf("connect (no answer): a full accept queue does not hold connects here\n");
  }
  for (int fd : fillers) close(fd);
  close(full);
  close(closed);
  close(listener);
  return 0;
}
