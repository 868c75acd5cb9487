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

// Errors after which a send or a receive finds the link gone for good.
bool IsLinkLoss(int err) {
  return err == ESHUTDOWN || err == EPIPE || err == ECONNABORTED || err == ECONNRESET;
}

}  // namespace

// The link's state is two facts: whether a socket object exists (made by
// Connect, released by Disconnect; it outlives a failed connect and a lost
// link) and whether its socket is open (fd >= 0).
struct TIdTCPClient::Impl {
  explicit Impl(TIdTCPClient& owner) : self(owner) {}

  TIdTCPClient& self;
  bool has_socket = false;
  int fd = -1;

  bool SocketOpen() const { return fd >= 0; }

  // Closes an open socket: sending side shut down first, nothing waits for
  // the peer, no event. The descriptor is forgotten before close() so that it
  // can never be closed twice.
  void CloseSocket() {
    if (!SocketOpen()) return;
    const int closing = fd;
    fd = -1;
    shutdown(closing, SHUT_WR);
    close(closing);  // not retried on EINTR: Linux has released the descriptor
  }

  // Closes the link after a send or receive that found the peer gone, and
  // tells the owner once, so that nobody keeps a dead link for an open one.
  // The handler runs last: it may reconnect or disconnect, and nothing here
  // touches the socket after it.
  void DropLink() {
    if (!SocketOpen()) return;
    CloseSocket();
    if (self.OnDisconnected) self.OnDisconnected(self);
  }

  void Connect(int timeout_ms) {
    if (SocketOpen()) throw EIdAlreadyConnected();
    has_socket = true;
    try {
      // A port outside 16 bits would otherwise be cut down to another port.
      if (self.Port < 0 || self.Port > 65535) throw EIdSocketError(EINVAL);

      fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      if (fd < 0) throw EIdInvalidSocket();

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
      CloseSocket();
      throw;
    }
  }

  void Disconnect() {
    const bool was_open = SocketOpen();
    CloseSocket();
    has_socket = false;
    if (was_open && self.OnDisconnected) self.OnDisconnected(self);
  }

  void Write(std::string_view text) {
    if (text.empty()) return;
    if (!has_socket) throw EIdNotConnected();
    if (!SocketOpen()) throw EIdConnClosedGracefully();
    std::size_t sent = 0;
    while (sent < text.size()) {
      // MSG_NOSIGNAL: a send on a dead link must fail with EPIPE, not kill
      // the program with SIGPIPE.
      const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (n < 0) {
        const int err = errno;
        if (err == EINTR) continue;
        if (IsLinkLoss(err)) DropLink();
        throw EIdSocketError(err);
      }
      // A send that takes nothing would loop forever: count it as a close.
      if (n == 0) {
        DropLink();
        throw EIdConnClosedGracefully();
      }
      sent += static_cast<std::size_t>(n);
    }
  }

  // Waits until the socket is readable, at most `wait_ms` (0 = no limit).
  // A failed wait counts as not readable; an interrupted one goes on for
  // the time that is left.
  bool WaitReadable(int wait_ms) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
    pollfd pfd{fd, POLLIN, 0};
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

  // One receive per call; the loop only repeats after an interrupted one.
  std::string ReadAvailable() {
    std::string received;
    if (!SocketOpen()) return received;
    const std::size_t capacity = static_cast<std::size_t>(std::max(self.RecvBufferSize, 1));
    while (true) {
      if (!WaitReadable(self.ReadTimeout)) throw EIdReadTimeout();
      received.resize(capacity);
      const ssize_t n = recv(fd, received.data(), capacity, 0);
      if (n < 0) {
        const int err = errno;
        if (err == EINTR) continue;
        // A reset is handled like an abort: the socket is dead, and keeping
        // it open would make every later poll fail without end.
        if (IsLinkLoss(err)) DropLink();
        throw EIdSocketError(err);
      }
      received.resize(static_cast<std::size_t>(n));
      if (n == 0) DropLink();  // the peer's close: OnDisconnected, and ""
      return received;
    }
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
  return impl_->SocketOpen();
}

}  // namespace stanzo
