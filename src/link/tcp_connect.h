// Connecting the client's fresh socket (private to src/link).
#pragma once

#include <netinet/in.h>

namespace stanzo::tcp_detail {

// The step in which a timed connect's caller waits for its worker.
constexpr int kConnectStepMs = 125;

// Connects `fd` to `to` in the calling thread, without a time limit of its
// own. Throws EIdSocketError with the connect's errno.
void ConnectBlocking(int fd, const sockaddr_in& to);

// Connects `fd` to `to` on a short-lived worker thread (TIdConnectThread)
// while the caller sleeps in steps of kConnectStepMs, at most `timeout_ms`
// (> 0) in all. A connect that completes is noticed at the end of the step
// in which it completed, so never sooner than one step after the start.
// Throws EIdConnectException with the worker's socket-error message, or
// EIdConnectTimeout. On every path the worker has ended before this returns,
// and `fd` is still open and owned by the caller (unconnected after a
// failure). The socket's blocking mode is as it was on entry.
void ConnectTimed(int fd, const sockaddr_in& to, int timeout_ms);

}  // namespace stanzo::tcp_detail
