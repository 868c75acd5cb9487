#include "link/tcp_connect.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <system_error>
#include <thread>

#include "link/tcp_errors.h"

namespace stanzo::tcp_detail {

namespace {

// The pending error of a socket whose connect has finished (0 = connected).
int PendingSocketError(int fd) {
  int err = 0;
  socklen_t len = sizeof err;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return errno;
  return err;
}

// The worker of one timed connect. It touches nothing but its socket, its
// message and its finished mark, and it never closes the socket: the caller
// closes it, only after the worker has ended. Closing a socket under a thread
// blocked in connect() does not wake that thread on Linux, so the worker
// connects without blocking and polls the socket together with an eventfd
// through which the caller tells it to stop.
class TIdConnectThread {
 public:
  TIdConnectThread(int fd, const sockaddr_in& to) : fd_(fd), to_(to) {
    wake_fd_ = eventfd(0, EFD_CLOEXEC);
    if (wake_fd_ < 0) throw EIdSocketError(errno);
    try {
      thread_ = std::thread(&TIdConnectThread::Run, this);
    } catch (const std::system_error& e) {
      close(wake_fd_);
      throw EIdSocketError(e.code().value());
    }
  }

  ~TIdConnectThread() {
    if (thread_.joinable()) {
      Stop();
      thread_.join();
    }
    close(wake_fd_);
  }

  TIdConnectThread(const TIdConnectThread&) = delete;
  TIdConnectThread& operator=(const TIdConnectThread&) = delete;

  // Acquire pairs with the release in Run(): once this is true, Message()
  // is complete.
  bool Finished() const { return finished_.load(std::memory_order_acquire); }

  // Empty when the connect succeeded or was stopped.
  const std::string& Message() const { return message_; }

  void Stop() {
    const std::uint64_t one = 1;
    ssize_t n;
    do {
      n = write(wake_fd_, &one, sizeof one);
    } while (n < 0 && errno == EINTR);
  }

  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Run() {
    const int flags = fcntl(fd_, F_GETFL);
    int err = 0;
    bool stopped = false;
    if (flags < 0 || fcntl(fd_, F_SETFL, flags | O_NONBLOCK) < 0) {
      err = errno;
    } else {
      if (connect(fd_, reinterpret_cast<const sockaddr*>(&to_), sizeof to_) != 0) {
        err = errno;
        if (err == EINPROGRESS || err == EINTR) err = WaitForConnect(&stopped);
      }
      fcntl(fd_, F_SETFL, flags);
    }
    // A socket closed under the connect records nothing, as a stop does.
    if (!stopped && err != 0 && err != EBADF && err != ENOTSOCK) message_ = SocketErrorMessage(err);
    finished_.store(true, std::memory_order_release);
  }

  // Waits for the connect in progress or for the caller's stop. Returns the
  // connect's errno (0 = connected); sets *stopped on a stop.
  int WaitForConnect(bool* stopped) {
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {wake_fd_, POLLIN, 0}};
    while (true) {
      const int rc = poll(fds, 2, -1);
      if (rc < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (fds[1].revents != 0) {
        *stopped = true;
        return 0;
      }
      if (fds[0].revents != 0) return PendingSocketError(fd_);
    }
  }

  const int fd_;
  const sockaddr_in to_;
  int wake_fd_ = -1;
  std::string message_;
  std::atomic<bool> finished_{false};
  std::thread thread_;  // last: starts only when everything above exists
};

}  // namespace

void ConnectBlocking(int fd, const sockaddr_in& to) {
  if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return;
  int err = errno;
  if (err == EINTR) {
    // An interrupted connect goes on in the background; wait for its end.
    pollfd pfd{fd, POLLOUT, 0};
    while (poll(&pfd, 1, -1) < 0) {
      if (errno != EINTR) throw EIdSocketError(errno);
    }
    err = PendingSocketError(fd);
    if (err == 0) return;
  }
  throw EIdSocketError(err);
}

void ConnectTimed(int fd, const sockaddr_in& to, int timeout_ms) {
  using std::chrono::milliseconds;
  TIdConnectThread worker(fd, to);
  int remaining = timeout_ms;
  while (kConnectStepMs < remaining) {
    std::this_thread::sleep_for(milliseconds(kConnectStepMs));
    remaining -= kConnectStepMs;
    if (worker.Finished()) {
      remaining = 0;
      break;
    }
  }
  if (remaining > 0) std::this_thread::sleep_for(milliseconds(remaining));

  if (worker.Finished()) {
    worker.Join();
    if (!worker.Message().empty()) throw EIdConnectException(worker.Message());
    return;
  }
  worker.Stop();
  worker.Join();
  throw EIdConnectTimeout();
}

}  // namespace stanzo::tcp_detail
