// TIdTCPClient: one outgoing IPv4 TCP link to the player.
//
// Every operation blocks the calling thread (the GUI thread), each for a
// bounded time: Connect up to its time-out (name lookup included), Write up
// to kWriteTimeoutMs, ReadAvailable up to ReadTimeout ms; ReadArrived never
// waits. Events fire in the calling thread, inside the operation that
// causes them.
//
// Link states: no socket object (never connected, or after Disconnect),
// open, closed (a failed connect, or a loss seen by a read or a write).
//  - Connect: "Already connected." on an open link. Resolves Host (the
//    loopback name "localhost" in any case and the numeric IPv4 forms a.b.c.d,
//    a.b.c, a.b, a without a lookup), then connects; with a time-out > 0 the
//    caller waits in 125 ms steps, and the lookup counts against the same
//    time-out. Errors: EIdConnectException (the connect's socket-error
//    message), EIdConnectTimeout, EIdSocketError (lookup, bind, untimed
//    connect, a Port outside 0..65535 gives "Invalid argument."). A failed
//    connect leaves the link closed and fires no event. OnConnected fires on
//    success; if it throws, the link is closed and the exception propagates.
//  - Disconnect: closes an open link and fires OnDisconnected once, after
//    the socket is closed; releases the socket object in every case.
//  - Write: empty text returns at once. "Not Connected" with no socket
//    object. On a closed link: the socket error that closed it (a reset
//    says "Connection reset by peer.") or, after the peer's close or a
//    failed connect, "Connection Closed Gracefully.". A peer that is gone
//    (reset, abort, EPIPE), or a send buffer that takes nothing for
//    kWriteTimeoutMs ("Connection timed out."), raises EIdSocketError,
//    closes the link and fires OnDisconnected once. SIGPIPE is never raised.
//  - ReadAvailable: "" at once with no open link. Otherwise waits up to
//    ReadTimeout ms (0 = no limit), receives once (at most RecvBufferSize
//    bytes) and returns what it received; EIdReadTimeout "Read Timeout" when
//    nothing arrived. The peer's close fires OnDisconnected once inside the
//    call that sees it and returns "". A reset or abort seen by the receive
//    closes the link, fires OnDisconnected once and raises EIdSocketError.
//    Nothing is kept between calls.
//  - ReadArrived: ReadAvailable without the wait: "" when nothing has
//    arrived, never "Read Timeout".
// Not thread-safe: one thread uses a client. Destruction closes the socket
// without an event. The client uses the sockets and the clock it was given
// (the Env's, from the console); both must outlive it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/tcp_errors.h"
#include "platform/clock.h"
#include "platform/sockets.h"

namespace stanzo {

enum class TIdMaxLineAction { maException, maSplit };

class TIdTCPClient {
 public:
  // The longest one Write may take: a Write that has not handed all its
  // bytes to the socket by then gives up.
  static constexpr int kWriteTimeoutMs = 3000;

  TIdTCPClient(platform::Sockets& sockets, platform::Clock& clock);
  ~TIdTCPClient();
  TIdTCPClient(const TIdTCPClient&) = delete;
  TIdTCPClient& operator=(const TIdTCPClient&) = delete;

  // Settings.
  std::string Host;
  int Port = 0;
  int ReadTimeout = 0;  // ms; 0 = no limit
  int RecvBufferSize = 32768;
  int MaxLineLength = 16384;  // kept as settings; no line reads exist
  TIdMaxLineAction MaxLineAction = TIdMaxLineAction::maException;
  std::function<void(TIdTCPClient&)> OnConnected;
  std::function<void(TIdTCPClient&)> OnDisconnected;

  void Connect(int timeoutMs);
  void Disconnect();
  void Write(std::string_view text);
  std::string ReadAvailable();
  std::string ReadArrived();

  // Whether a socket object exists and its socket is open. A plain query:
  // a lost link is found by the next read or write, never here, and no
  // event fires.
  bool Connected();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace stanzo
