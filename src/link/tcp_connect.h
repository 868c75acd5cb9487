// Opening the client's fresh socket: the name lookup and the connect under
// one time limit (private to src/link).
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/sockets.h"

namespace stanzo::tcp_detail {

// The step in which a timed connect's caller waits.
constexpr int kConnectStepMs = 125;

// Resolves `host` (no lookup for the loopback name and numeric IPv4 texts)
// and connects `socket` to it and `port`.
//
// With timeout_ms > 0 the lookup and the connect together take at most
// timeout_ms: the caller sleeps on `clock` in steps of kConnectStepMs and
// after each step moves both on without waiting, so a connect that
// completes is noticed at the end of the step in which it completed, never
// sooner than one step after the start. A lookup still unanswered at the
// end is abandoned to finish in the background. Throws EIdSocketError (the
// lookup failed), EIdConnectException (the connect failed; its message is
// the socket-error message) or EIdConnectTimeout.
//
// With timeout_ms <= 0 both wait as long as they take, and a failed
// connect throws EIdSocketError.
//
// `socket` stays open and owned by the caller on every path.
void ConnectTo(platform::Sockets& sockets, platform::Clock& clock, platform::SocketHandle socket,
               const std::string& host, std::uint16_t port, int timeout_ms);

}  // namespace stanzo::tcp_detail
