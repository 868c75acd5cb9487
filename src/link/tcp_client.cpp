#include "link/tcp_client.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "link/tcp_connect.h"

namespace stanzo {

namespace {

using platform::SocketCondition;
using platform::SocketError;

// Errors after which a send or a receive finds the link gone for good.
bool IsLinkLoss(const SocketError& error) {
  switch (error.condition) {
    case SocketCondition::kShutDown:
    case SocketCondition::kConnectionAborted:
    case SocketCondition::kConnectionReset:
      return true;
    default:
      return false;
  }
}

}  // namespace

// The link's state is two facts: whether a socket object exists (made by
// Connect, released by Disconnect; it outlives a failed connect and a lost
// link) and whether its socket is open (socket != kNoSocket).
struct TIdTCPClient::Impl {
  Impl(TIdTCPClient& owner, platform::Sockets& s, platform::Clock& c)
      : self(owner), sockets(s), clock(c) {}

  TIdTCPClient& self;
  platform::Sockets& sockets;
  platform::Clock& clock;
  bool has_socket = false;
  platform::SocketHandle socket = platform::kNoSocket;
  // The socket error that closed the link, so that later writes name the
  // cause instead of claiming a graceful close. kNone after the peer's
  // close, a failed connect, or a fresh connect.
  SocketError lost_by;
  std::string buffer;  // receive buffer, kept between reads

  bool SocketOpen() const { return socket != platform::kNoSocket; }

  // Closes an open socket: sending side shut down first, nothing waits for
  // the peer, no event. The handle is forgotten before the close so that it
  // can never be closed twice.
  void CloseSocket() {
    if (!SocketOpen()) return;
    const platform::SocketHandle closing = socket;
    socket = platform::kNoSocket;
    sockets.ShutdownSend(closing);
    sockets.Close(closing);
  }

  // Closes the link after a send or receive that found it gone, remembers
  // why, and tells the owner once, so that nobody keeps a dead link for an
  // open one. The handler runs last: it may reconnect or disconnect, and
  // nothing here touches the socket after it.
  void DropLink(const SocketError& why) {
    if (!SocketOpen()) return;
    CloseSocket();
    lost_by = why;
    if (self.OnDisconnected) self.OnDisconnected(self);
  }

  void Connect(int timeout_ms) {
    if (SocketOpen()) throw EIdAlreadyConnected();
    has_socket = true;
    lost_by = SocketError{};
    try {
      // A port outside 16 bits would otherwise be cut down to another port.
      if (self.Port < 0 || self.Port > 65535) {
        throw EIdSocketError(sockets.ErrorFor(SocketCondition::kInvalidArgument));
      }
      if (sockets.Create(&socket).Failed()) throw EIdInvalidSocket();
      const SocketError bound = sockets.BindAny(socket);
      if (bound.condition == SocketCondition::kAddressInUse) throw EIdCouldNotBindSocket();
      if (bound.Failed()) throw EIdSocketError(bound);
      // Nagle's algorithm stays on: commands are whole lines in one write.
      tcp_detail::ConnectTo(sockets, clock, socket, self.Host,
                            static_cast<std::uint16_t>(self.Port), timeout_ms);
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
    if (!SocketOpen()) {
      if (lost_by.Failed()) throw EIdSocketError(lost_by);
      throw EIdConnClosedGracefully();
    }
    // A player that stops reading fills the socket's buffers; past the
    // deadline the link counts as dead, so that the window is never held
    // longer.
    const std::int64_t deadline = clock.NowMs() + kWriteTimeoutMs;
    std::size_t sent = 0;
    while (sent < text.size()) {
      std::size_t n = 0;
      const SocketError error = sockets.Send(socket, text.data() + sent, text.size() - sent, &n);
      if (error.condition == SocketCondition::kWouldBlock) {
        const std::int64_t left = deadline - clock.NowMs();
        if (left <= 0) {
          const SocketError timed_out = sockets.ErrorFor(SocketCondition::kTimedOut);
          DropLink(timed_out);
          throw EIdSocketError(timed_out);
        }
        sockets.WaitWritable(socket, static_cast<int>(left));
        continue;
      }
      if (error.condition == SocketCondition::kInterrupted) continue;
      if (error.Failed()) {
        if (IsLinkLoss(error)) DropLink(error);
        throw EIdSocketError(error);
      }
      // A send that takes nothing would loop forever: count it as a close.
      if (n == 0) {
        DropLink(SocketError{});
        throw EIdConnClosedGracefully();
      }
      sent += n;
    }
  }

  // One receive, after waiting at most `wait_ms` for something to arrive
  // (0: no wait, < 0: no limit). nullopt when nothing arrived in time.
  std::optional<std::string> Receive(int wait_ms) {
    std::string received;
    if (!SocketOpen()) return received;
    const std::size_t capacity = static_cast<std::size_t>(std::max(self.RecvBufferSize, 1));
    buffer.resize(capacity);
    while (true) {
      if (wait_ms != 0 && !sockets.WaitReadable(socket, wait_ms)) return std::nullopt;
      std::size_t n = 0;
      const SocketError error = sockets.Receive(socket, buffer.data(), capacity, &n);
      if (error.condition == SocketCondition::kWouldBlock) {
        if (wait_ms == 0) return std::nullopt;
        continue;  // readable, yet taken by nobody: wait again
      }
      if (error.condition == SocketCondition::kInterrupted) continue;
      if (error.Failed()) {
        // A reset is handled like an abort: the socket is dead, and keeping
        // it open would make every later poll fail without end.
        if (IsLinkLoss(error)) DropLink(error);
        throw EIdSocketError(error);
      }
      received.assign(buffer.data(), n);
      if (n == 0) DropLink(SocketError{});  // the peer's close: OnDisconnected, and ""
      return received;
    }
  }

  std::string ReadAvailable() {
    const int wait_ms = self.ReadTimeout > 0 ? self.ReadTimeout : -1;
    std::optional<std::string> received = Receive(wait_ms);
    if (!received) throw EIdReadTimeout();
    return std::move(*received);
  }

  std::string ReadArrived() { return Receive(0).value_or(std::string()); }
};

TIdTCPClient::TIdTCPClient(platform::Sockets& sockets, platform::Clock& clock)
    : impl_(std::make_unique<Impl>(*this, sockets, clock)) {
  if (!sockets.Started()) throw EIdStackInitializationFailed();
}

TIdTCPClient::~TIdTCPClient() {
  impl_->CloseSocket();
  impl_->sockets.Stopped();
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
std::string TIdTCPClient::ReadArrived() {
  return impl_->ReadArrived();
}
bool TIdTCPClient::Connected() {
  return impl_->SocketOpen();
}

}  // namespace stanzo
