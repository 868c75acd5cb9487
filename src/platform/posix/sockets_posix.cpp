#include "platform/posix/sockets_posix.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/sockets_common.h"

namespace stanzo::platform {
namespace posix {
namespace {

using C = SocketCondition;

// Each errno beside the condition it stands for. ErrorFor picks the first
// row of a condition, so the usual number comes first.
const internal::ErrorRow kErrnoTable[] = {
    {EINTR, C::kInterrupted},
    {EBADF, C::kBadHandle},
    {EACCES, C::kAccessDenied},
    {EFAULT, C::kBadAddress},
    {EINVAL, C::kInvalidArgument},
    {EMFILE, C::kTooManyOpenFiles},
    {EWOULDBLOCK, C::kWouldBlock},
    {EAGAIN, C::kWouldBlock},
    {EINPROGRESS, C::kInProgress},
    {EALREADY, C::kAlreadyInProgress},
    {ENOTSOCK, C::kNotSocket},
    {EDESTADDRREQ, C::kDestinationRequired},
    {EMSGSIZE, C::kMessageTooLong},
    {EPROTOTYPE, C::kWrongProtocolType},
    {ENOPROTOOPT, C::kBadProtocolOption},
    {EPROTONOSUPPORT, C::kProtocolNotSupported},
    {ESOCKTNOSUPPORT, C::kSocketTypeNotSupported},
    {EOPNOTSUPP, C::kOperationNotSupported},
    {EPFNOSUPPORT, C::kProtocolFamilyNotSupported},
    {EAFNOSUPPORT, C::kAddressFamilyNotSupported},
    {EADDRINUSE, C::kAddressInUse},
    {EADDRNOTAVAIL, C::kAddressNotAvailable},
    {ENETDOWN, C::kNetworkDown},
    {ENETUNREACH, C::kNetworkUnreachable},
    {ENETRESET, C::kNetworkReset},
    {ECONNABORTED, C::kConnectionAborted},
    {ECONNRESET, C::kConnectionReset},
    {ENOBUFS, C::kNoBufferSpace},
    {EISCONN, C::kAlreadyConnected},
    {ENOTCONN, C::kNotConnected},
    {ESHUTDOWN, C::kShutDown},
    {EPIPE, C::kShutDown},
    {ETOOMANYREFS, C::kTooManyReferences},
    {ETIMEDOUT, C::kTimedOut},
    {ECONNREFUSED, C::kConnectionRefused},
    {ELOOP, C::kTooManySymbolicLinks},
    {ENAMETOOLONG, C::kNameTooLong},
    {EHOSTDOWN, C::kHostDown},
    {EHOSTUNREACH, C::kHostUnreachable},
    {ENOTEMPTY, C::kDirectoryNotEmpty},
    {kHostNotFoundCode, C::kHostNotFound},
};

constexpr SocketError kOk{};

SocketError LastError() {
  return ErrorFromErrno(errno);
}

int Fd(SocketHandle handle) {
  return static_cast<int>(handle);
}

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sin;
  std::memset(&sin, 0, sizeof sin);
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(address);
  sin.sin_port = htons(port);
  return sin;
}

// poll() on one socket for at most timeout_ms (< 0: no limit); an
// interrupted poll goes on for the time that is left.
bool WaitFor(SocketHandle handle, short events, int timeout_ms) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  pollfd pfd{Fd(handle), events, 0};
  while (true) {
    int wait = -1;
    if (timeout_ms >= 0) {
      const auto left =
          std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(std::max<decltype(left)>(left, 0));
    }
    const int rc = poll(&pfd, 1, wait);
    if (rc > 0) return true;  // ready, or POLLHUP/POLLERR that the next call reports
    if (rc == 0 || errno != EINTR) return false;
  }
}

// getaddrinfo() in the calling thread, without a time limit of its own.
SocketError LookupNow(const std::string& host, std::uint32_t* address) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  errno = 0;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0) return LookupError(rc, errno);
  SocketError result{C::kHostNotFound, kHostNotFoundCode};
  for (const addrinfo* ai = found; ai != nullptr; ai = ai->ai_next) {
    if (ai->ai_family == AF_INET && ai->ai_addr != nullptr) {
      sockaddr_in sin;
      std::memcpy(&sin, ai->ai_addr, sizeof sin);
      *address = ntohl(sin.sin_addr.s_addr);
      result = kOk;
      break;
    }
  }
  freeaddrinfo(found);
  return result;
}

class PosixSockets final : public Sockets {
 public:
  bool Started() override { return true; }

  SocketError Create(SocketHandle* handle) override {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    *handle = fd < 0 ? kNoSocket : fd;
    return fd < 0 ? LastError() : kOk;
  }

  SocketError BindAny(SocketHandle handle) override {
    const sockaddr_in any = Address(INADDR_ANY, 0);
    if (bind(Fd(handle), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
      return LastError();
    }
    return kOk;
  }

  SocketError StartConnect(SocketHandle handle, std::uint32_t address,
                           std::uint16_t port) override {
    const sockaddr_in to = Address(address, port);
    if (connect(Fd(handle), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return kOk;
    // An interrupted connect of a non-blocking socket goes on in the
    // background, as one in progress does.
    if (errno == EINTR) return ErrorFromErrno(EINPROGRESS);
    return LastError();
  }

  SocketError ConnectResult(SocketHandle handle) override {
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(Fd(handle), SOL_SOCKET, SO_ERROR, &err, &len) != 0) return LastError();
    return err == 0 ? kOk : ErrorFromErrno(err);
  }

  bool WaitReadable(SocketHandle handle, int timeout_ms) override {
    return WaitFor(handle, POLLIN, timeout_ms);
  }
  bool WaitWritable(SocketHandle handle, int timeout_ms) override {
    return WaitFor(handle, POLLOUT, timeout_ms);
  }

  SocketError Send(SocketHandle handle, const char* data, std::size_t size,
                   std::size_t* sent) override {
    // MSG_NOSIGNAL: a send on a dead link fails with EPIPE instead of
    // killing the program with SIGPIPE.
    const ssize_t n = send(Fd(handle), data, size, MSG_NOSIGNAL);
    *sent = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n < 0 ? LastError() : kOk;
  }

  SocketError Receive(SocketHandle handle, char* buffer, std::size_t capacity,
                      std::size_t* received) override {
    const ssize_t n = recv(Fd(handle), buffer, capacity, 0);
    *received = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n < 0 ? LastError() : kOk;
  }

  void ShutdownSend(SocketHandle handle) override { shutdown(Fd(handle), SHUT_WR); }

  // Not retried on EINTR: Linux has released the descriptor either way.
  void Close(SocketHandle handle) override { close(Fd(handle)); }

  std::unique_ptr<NameLookup> StartLookup(const std::string& host) override {
    return internal::StartBackgroundLookup(host, LookupNow, LookupNow);
  }

  SocketError ErrorFor(SocketCondition condition) override {
    return internal::ErrorForCondition(kErrnoTable, condition);
  }
};

}  // namespace

SocketError ErrorFromErrno(int err) {
  return internal::ErrorFromTable(kErrnoTable, err);
}

SocketError LookupError(int gai_error, int sys_errno) {
  if (gai_error == EAI_SYSTEM && sys_errno != 0) return ErrorFromErrno(sys_errno);
  return {C::kHostNotFound, kHostNotFoundCode};
}

}  // namespace posix

Sockets& Sockets::Default() {
  static posix::PosixSockets sockets;
  return sockets;
}

}  // namespace stanzo::platform
