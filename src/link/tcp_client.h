// TIdTCPClient: one outgoing IPv4 TCP link to the player.
//
// Every operation blocks the calling thread (the GUI thread): Connect for
// the name lookup and then up to its time-out, Write until every byte is
// handed to the socket, ReadAvailable for up to ReadTimeout ms. Events fire
// in the calling thread, inside the operation that causes them.
//
// Link states: no socket object (never connected, or after Disconnect),
// open, closed (a failed connect, or a loss seen by a read or a write).
//  - Connect: "Already connected." on an open link. Resolves Host (the
//    loopback name "localhost" in any case and the numeric IPv4 forms a.b.c.d,
//    a.b.c, a.b, a without a lookup), then connects; with a time-out > 0 a
//    worker thread connects while the caller waits in 125 ms steps. Errors:
//    EIdConnectException (the worker's socket-error message),
//    EIdConnectTimeout, EIdSocketError (lookup, bind, untimed connect, a Port
//    outside 0..65535 gives "Invalid argument."). A failed connect leaves the
//    link closed and fires no event. OnConnected fires on success; if it
//    throws, the link is closed and the exception propagates.
//  - Disconnect: closes an open link and fires OnDisconnected once, after
//    the socket is closed; releases the socket object in every case.
//  - Write: empty text returns at once. "Connection Closed Gracefully." on a
//    closed link, "Not Connected" with no socket object. A peer that is gone
//    raises EIdSocketError (reset, abort, EPIPE), closes the link and fires
//    OnDisconnected once. SIGPIPE is never raised.
//  - ReadAvailable: "" at once with no open link. Otherwise waits up to
//    ReadTimeout ms (0 = no limit), receives once (at most RecvBufferSize
//    bytes) and returns what it received; EIdReadTimeout "Read Timeout" when
//    nothing arrived. The peer's close fires OnDisconnected once inside the
//    call that sees it and returns "". A reset or abort seen by the receive
//    closes the link, fires OnDisconnected once and raises EIdSocketError.
//    Nothing is kept between calls.
// Not thread-safe: one thread uses a client. Destruction closes the socket
// without an event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/tcp_errors.h"

namespace stanzo {

enum class TIdMaxLineAction { maException, maSplit };

class TIdTCPClient {
 public:
  TIdTCPClient();
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

  // Whether a socket object exists and its socket is open. A plain query:
  // a lost link is found by the next read or write, never here, and no
  // event fires.
  bool Connected();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace stanzo
