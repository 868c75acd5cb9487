// IPv4 TCP stream sockets and host-name lookup: the calls the player link
// makes, and nothing more.
//
// Every socket is non-blocking: a send or a receive that cannot go on at
// once reports kWouldBlock, and the caller waits for readiness itself with
// WaitReadable / WaitWritable, so every wait has a time limit the caller
// chooses. A connect is started without waiting and its end is seen as the
// socket becoming writable. A name lookup runs in the background; the
// caller polls or waits for it with a limit and may abandon it at any time.
//
// Errors are SocketError values: a portable condition (which picks the
// message text) and the system's own number for it (which the message
// shows). Nothing here throws, apart from std::bad_alloc.
//
// Threading: one thread uses a socket at a time; different sockets and
// lookups may be used from different threads. Default() is safe to call
// from any thread and lives for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace stanzo::platform {

// What went wrong, whatever the system calls it.
enum class SocketCondition {
  kNone,  // success
  kInterrupted,
  kBadHandle,
  kAccessDenied,
  kBadAddress,
  kInvalidArgument,
  kTooManyOpenFiles,
  kWouldBlock,  // nothing can be done without waiting
  kInProgress,  // a connect has started and goes on in the background
  kAlreadyInProgress,
  kNotSocket,
  kDestinationRequired,
  kMessageTooLong,
  kWrongProtocolType,
  kBadProtocolOption,
  kProtocolNotSupported,
  kSocketTypeNotSupported,
  kOperationNotSupported,
  kProtocolFamilyNotSupported,
  kAddressFamilyNotSupported,
  kAddressInUse,
  kAddressNotAvailable,
  kNetworkDown,
  kNetworkUnreachable,
  kNetworkReset,
  kConnectionAborted,
  kConnectionReset,
  kNoBufferSpace,
  kAlreadyConnected,
  kNotConnected,
  kShutDown,  // send or receive after the socket was shut down or lost
  kTooManyReferences,
  kTimedOut,
  kConnectionRefused,
  kTooManySymbolicLinks,
  kNameTooLong,
  kHostDown,
  kHostUnreachable,
  kDirectoryNotEmpty,
  kHostNotFound,  // a name the resolver cannot turn into an IPv4 address
  kOther,         // any condition without a name here; `code` tells it
};

// The number every platform reports for a name that cannot be resolved.
constexpr int kHostNotFoundCode = 11001;

struct SocketError {
  SocketCondition condition = SocketCondition::kNone;
  int code = 0;  // the system's number for the condition, as shown to the operator

  bool Failed() const { return condition != SocketCondition::kNone; }
};

// An open socket. kNoSocket is never a valid one.
using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

// A host-name lookup under way. Destroying it abandons the lookup: the
// answer, when it comes, is dropped, and nothing the caller owns is touched.
class NameLookup {
 public:
  virtual ~NameLookup() = default;
  // True once the answer is there; waits for it at most `timeout_ms`
  // (0: not at all, < 0: without limit).
  virtual bool Wait(int timeout_ms) = 0;
  // After Wait has returned true: kNone with `*address` set to the first
  // IPv4 address found (host byte order), or the failure (kHostNotFound with
  // kHostNotFoundCode for a name that does not resolve).
  virtual SocketError Result(std::uint32_t* address) = 0;
};

class Sockets {
 public:
  virtual ~Sockets() = default;

  // Counts one more user (a TCP client) of the system's socket layer and
  // starts the layer for the first. False when it could not be started:
  // nothing is then counted, and no other call may be made.
  virtual bool Started() = 0;
  // Counts one user less, after a Started() that returned true; the last
  // one releases the layer. Safe from any thread.
  virtual void Stopped() {}

  // A new non-blocking IPv4 TCP stream socket, not inherited by child
  // processes, whose sends never raise a signal. On failure *handle is
  // kNoSocket.
  virtual SocketError Create(SocketHandle* handle) = 0;
  // Binds to any local address and a port the system picks.
  virtual SocketError BindAny(SocketHandle handle) = 0;
  // Starts connecting to `address` (host byte order) and `port`: kNone when
  // connected at once, kInProgress when under way (the socket turns
  // writable when it ends; ConnectResult then tells how), else the failure.
  virtual SocketError StartConnect(SocketHandle handle, std::uint32_t address,
                                   std::uint16_t port) = 0;
  // The outcome of a connect whose socket has turned writable (kNone:
  // connected).
  virtual SocketError ConnectResult(SocketHandle handle) = 0;

  // Wait until the socket can be read (data, the peer's close or an error
  // is there) or written (room in the send buffer, a connect has ended, or
  // an error), at most `timeout_ms` (0: not at all, < 0: without limit).
  // False on time-out; a failed wait counts as a time-out. An interrupted
  // wait goes on for the time that is left.
  virtual bool WaitReadable(SocketHandle handle, int timeout_ms) = 0;
  virtual bool WaitWritable(SocketHandle handle, int timeout_ms) = 0;

  // Hands up to `size` bytes to the socket; *sent is how many it took.
  // kWouldBlock when the send buffer is full.
  virtual SocketError Send(SocketHandle handle, const char* data, std::size_t size,
                           std::size_t* sent) = 0;
  // Takes up to `capacity` arrived bytes; *received is how many, 0 with kNone
  // when the peer has closed its side. kWouldBlock when nothing has arrived.
  virtual SocketError Receive(SocketHandle handle, char* buffer, std::size_t capacity,
                              std::size_t* received) = 0;

  // Shuts down the sending direction; errors are of no use to the caller.
  virtual void ShutdownSend(SocketHandle handle) = 0;
  // Releases the socket; the handle is invalid afterwards, even on error.
  virtual void Close(SocketHandle handle) = 0;

  // Starts looking `host` up; never null. Lookups are answered in the
  // background, so a resolver that never answers holds nobody up.
  virtual std::unique_ptr<NameLookup> StartLookup(const std::string& host) = 0;

  // The error this system reports for `condition`, for the conditions the
  // caller finds itself (a time-out of its own, a port out of range).
  virtual SocketError ErrorFor(SocketCondition condition) = 0;

  // The system's sockets.
  static Sockets& Default();
};

}  // namespace stanzo::platform
