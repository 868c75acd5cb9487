#include "link/tcp_connect.h"

#include <memory>
#include <optional>

#include "link/tcp_errors.h"
#include "link/tcp_resolve.h"

namespace stanzo::tcp_detail {

namespace {

using platform::SocketCondition;
using platform::SocketError;

// A lookup (when the host needs one), then a connect, moved on by Advance
// while the caller waits between calls.
class PendingConnect {
 public:
  PendingConnect(platform::Sockets& sockets, platform::SocketHandle socket, const std::string& host,
                 std::uint16_t port)
      : sockets_(sockets), socket_(socket), port_(port), address_(AddressWithoutLookup(host)) {
    if (!address_) lookup_ = sockets_.StartLookup(host);
  }

  // Waits at most `wait_ms` (0: not at all, < 0: without limit) for the
  // lookup and then for the connect. True once the connect has ended;
  // Outcome() then tells how. Throws EIdSocketError when the lookup fails.
  bool Advance(int wait_ms) {
    if (!connecting_) {
      if (lookup_) {
        if (!lookup_->Wait(wait_ms)) return false;
        std::uint32_t address = 0;
        const SocketError error = lookup_->Result(&address);
        if (error.Failed()) throw EIdSocketError(error);
        lookup_.reset();
        address_ = address;
      }
      connecting_ = true;
      const SocketError started = sockets_.StartConnect(socket_, *address_, port_);
      if (started.condition != SocketCondition::kInProgress) {
        outcome_ = started;
        return true;
      }
    }
    if (!sockets_.WaitWritable(socket_, wait_ms)) return false;
    outcome_ = sockets_.ConnectResult(socket_);
    return true;
  }

  const SocketError& Outcome() const { return outcome_; }

 private:
  platform::Sockets& sockets_;
  const platform::SocketHandle socket_;
  const std::uint16_t port_;
  std::optional<std::uint32_t> address_;
  std::unique_ptr<platform::NameLookup> lookup_;  // dropping it abandons the lookup
  bool connecting_ = false;
  SocketError outcome_;
};

}  // namespace

void ConnectTo(platform::Sockets& sockets, platform::Clock& clock, platform::SocketHandle socket,
               const std::string& host, std::uint16_t port, int timeout_ms) {
  PendingConnect pending(sockets, socket, host, port);
  if (timeout_ms <= 0) {
    pending.Advance(-1);
    if (pending.Outcome().Failed()) throw EIdSocketError(pending.Outcome());
    return;
  }

  // The connect starts at once when no lookup is needed; its end is looked
  // for only after whole steps. remaining := T; while S < remaining: sleep
  // S, take S off, stop once done; then sleep what is left and look a last
  // time. T = 5000 gives 40 steps of 125 ms.
  bool done = pending.Advance(0);
  int remaining = timeout_ms;
  while (kConnectStepMs < remaining) {
    clock.SleepMs(kConnectStepMs);
    remaining -= kConnectStepMs;
    if (done || (done = pending.Advance(0))) {
      remaining = 0;
      break;
    }
  }
  if (remaining > 0) {
    clock.SleepMs(remaining);
    done = done || pending.Advance(0);
  }
  if (!done) throw EIdConnectTimeout();
  if (pending.Outcome().Failed()) {
    throw EIdConnectException(SocketErrorMessage(pending.Outcome()));
  }
}

}  // namespace stanzo::tcp_detail
