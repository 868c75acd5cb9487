#include "link/tcp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/tcp_connect.h"
#include "link/tcp_resolve.h"

namespace stanzo {

namespace {

// The socket object: the handle and whether it is open. It outlives a failed
// connect and a lost link; Disconnect releases it.
struct SocketObject {
  int fd = -1;
  bool open = false;
};

// Errors after which a send or a receive finds the link gone for good.
bool IsLinkLoss(int err) {
  return err == ESHUTDOWN || err == EPIPE || err == ECONNABORTED || err == ECONNRESET;
}

}  // namespace

struct TIdTCPClient::Impl {
  explicit Impl(TIdTCPClient& owner) : self(owner) {}

  TIdTCPClient& self;
  std::unique_ptr<SocketObject> socket;
  bool link_closed = false;
  std::string pending_input;

  bool SocketOpen() const { return socket && socket->open; }

  // Closes an open socket: sending side shut down first, nothing waits for
  // the peer, no event. The descriptor is forgotten before close() so that it
  // can never be closed twice.
  void CloseSocket() {
    if (!SocketOpen()) return;
    const int fd = socket->fd;
    socket->open = false;
    socket->fd = -1;
    shutdown(fd, SHUT_WR);
    close(fd);  // not retried on EINTR: Linux has released the descriptor
  }

  void CloseLink() {
    if (!socket) return;
    link_closed = true;
    CloseSocket();
  }

  void FireDisconnected() {
    if (self.OnDisconnected) self.OnDisconnected(self);
  }

  // Closes the link after a send or receive error that means the peer is
  // gone, and tells the owner once, so that nobody keeps a dead link for an
  // open one. Later checks find the socket closed and fire nothing more.
  void DropLink() {
    const bool was_open = SocketOpen();
    CloseLink();
    if (was_open) FireDisconnected();
  }

  // Returns whether the link counts as closed. The OnDisconnected handler
  // may run inside; callers re-read the state afterwards.
  bool CheckLink(bool raise_if_closed, bool ignore_input) {
    if (!socket) return false;
    bool closed;
    if (link_closed) {
      if (socket->open) {
        CloseSocket();
        FireDisconnected();
      }
      closed = true;
    } else {
      closed = !SocketOpen();
    }
    if (closed && raise_if_closed && (pending_input.empty() || ignore_input)) {
      throw EIdConnClosedGracefully();
    }
    return closed;
  }

  bool IsOpen() {
    CheckLink(false, false);
    return SocketOpen();
  }

  void Connect(int timeout_ms) {
    if (SocketOpen()) throw EIdAlreadyConnected();
    if (!socket) socket = std::make_unique<SocketObject>();
    try {
      // The earlier socket, if any, was closed when the link was lost.
      socket->fd = -1;
      socket->open = false;
      pending_input.clear();
      link_closed = false;

      // A port outside 16 bits would otherwise be cut down to another port.
      if (self.Port < 0 || self.Port > 65535) throw EIdSocketError(EINVAL);

      const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (fd < 0) throw EIdInvalidSocket();
      socket->fd = fd;
      socket->open = true;

      sockaddr_in local;
      std::memset(&local, 0, sizeof local);
      local.sin_family = AF_INET;
      local.sin_addr.s_addr = htonl(INADDR_ANY);
      local.sin_port = 0;
      if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        if (errno == EADDRINUSE) throw EIdCouldNotBindSocket();
        throw EIdSocketError(errno);
      }

      sockaddr_in remote;
      std::memset(&remote, 0, sizeof remote);
      remote.sin_family = AF_INET;
      remote.sin_addr.s_addr = htonl(tcp_detail::ResolveIPv4(self.Host));
      remote.sin_port = htons(static_cast<std::uint16_t>(self.Port));

      // Nagle's algorithm stays on: commands are whole lines in one write.
      if (timeout_ms > 0) {
        tcp_detail::ConnectTimed(fd, remote, timeout_ms);
      } else {
        tcp_detail::ConnectBlocking(fd, remote);
      }

      if (self.OnConnected) self.OnConnected(self);
    } catch (...) {
      CloseLink();
      throw;
    }
  }

  void Disconnect() {
    const bool was_open = IsOpen();
    if (was_open) CloseLink();
    socket.reset();
    if (was_open) FireDisconnected();
  }

  void Write(std::string_view text) {
    if (text.empty()) return;
    CheckLink(true, true);
    if (!IsOpen()) throw EIdNotConnected();
    std::size_t sent = 0;
    while (sent < text.size()) {
      // MSG_NOSIGNAL: a send on a dead link must fail with EPIPE, not kill
      // the program with SIGPIPE.
      const ssize_t n = send(socket->fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      const int err = n < 0 ? errno : 0;
      if (n < 0 && err == EINTR) continue;
      link_closed = (n == 0);
      CheckLink(true, false);
      if (n < 0) {
        if (IsLinkLoss(err)) DropLink();
        throw EIdSocketError(err);
      }
      // A zero-byte send with input still pending is not raised above; it
      // would loop forever, so it ends the write here.
      if (n == 0 || !SocketOpen()) throw EIdConnClosedGracefully();
      sent += static_cast<std::size_t>(n);
    }
  }

  // Waits until the socket is readable, at most `wait_ms` (0 = no limit).
  // A failed wait counts as not readable; an interrupted one goes on for
  // the time that is left.
  bool WaitReadable(int wait_ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    pollfd pfd{socket->fd, POLLIN, 0};
    while (true) {
      int timeout = -1;
      if (wait_ms > 0) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        timeout = static_cast<int>(std::max<decltype(left)>(left, 0));
      }
      const int rc = poll(&pfd, 1, timeout);
      if (rc > 0) return true;  // POLLIN, or POLLHUP/POLLERR that recv() reports
      if (rc == 0) return false;
      if (errno != EINTR) return false;
    }
  }

  void WaitAndReceive(int wait_ms) {
    CheckLink(false, false);
    if (!SocketOpen()) return;
    const std::size_t capacity = static_cast<std::size_t>(std::max(self.RecvBufferSize, 1));
    // One receive per call; the loop only repeats after an interrupted one.
    while (SocketOpen()) {
      if (!WaitReadable(wait_ms)) throw EIdReadTimeout();
      const std::size_t old_size = pending_input.size();
      pending_input.resize(old_size + capacity);
      ssize_t n = recv(socket->fd, pending_input.data() + old_size, capacity, 0);
      const int err = n < 0 ? errno : 0;
      pending_input.resize(old_size + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
      if (n < 0 && err == EINTR) continue;
      link_closed = (n == 0);
      if (n < 0) {
        // A reset is handled like an abort: the socket is dead, and keeping
        // it "open" would make every later poll fail without end.
        if (!IsLinkLoss(err)) throw EIdSocketError(err);
        DropLink();
        if (pending_input.empty()) throw EIdSocketError(err);
        n = 0;
      }
      CheckLink(false, false);  // after a zero-byte receive: close + OnDisconnected
      if (n != 0) break;
    }
  }

  std::string ReadAvailable() {
    if (IsOpen()) WaitAndReceive(self.ReadTimeout);
    std::string result;
    result.swap(pending_input);
    return result;
  }
};

TIdTCPClient::TIdTCPClient() : impl_(std::make_unique<Impl>(*this)) {}

TIdTCPClient::~TIdTCPClient() {
  impl_->CloseSocket();
}

void TIdTCPClient::Connect(int timeoutMs) {
  impl_->Connect(timeoutMs);
}
void TIdTCPClient::Disconnect() {
  impl_->Disconnect();
}
void TIdTCPClient::Write(std::string_view text) {
  impl_->Write(text);
}
std::string TIdTCPClient::ReadAvailable() {
  return impl_->ReadAvailable();
}
bool TIdTCPClient::Connected() {
  return impl_->IsOpen();
}

}  // namespace stanzo
