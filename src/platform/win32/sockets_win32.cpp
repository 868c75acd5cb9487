#include "platform/win32/sockets_win32.h"

// winsock2.h brings windows.h in itself, after its own definitions.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

#include "platform/sockets_common.h"
#include "platform/win32/utf16.h"

namespace stanzo::platform {
namespace win32 {
namespace {

using C = SocketCondition;

// Each Windows Sockets code beside the condition it stands for; the codes
// are the numbers the operator reads in "Socket Error # <code>".
const internal::ErrorRow kWsaTable[] = {
    {WSAEINTR, C::kInterrupted},                        // 10004
    {WSAEBADF, C::kBadHandle},                          // 10009
    {WSAEACCES, C::kAccessDenied},                      // 10013
    {WSAEFAULT, C::kBadAddress},                        // 10014
    {WSAEINVAL, C::kInvalidArgument},                   // 10022
    {WSAEMFILE, C::kTooManyOpenFiles},                  // 10024
    {WSAEWOULDBLOCK, C::kWouldBlock},                   // 10035
    {WSAEINPROGRESS, C::kInProgress},                   // 10036
    {WSAEALREADY, C::kAlreadyInProgress},               // 10037
    {WSAENOTSOCK, C::kNotSocket},                       // 10038
    {WSAEDESTADDRREQ, C::kDestinationRequired},         // 10039
    {WSAEMSGSIZE, C::kMessageTooLong},                  // 10040
    {WSAEPROTOTYPE, C::kWrongProtocolType},             // 10041
    {WSAENOPROTOOPT, C::kBadProtocolOption},            // 10042
    {WSAEPROTONOSUPPORT, C::kProtocolNotSupported},     // 10043
    {WSAESOCKTNOSUPPORT, C::kSocketTypeNotSupported},   // 10044
    {WSAEOPNOTSUPP, C::kOperationNotSupported},         // 10045
    {WSAEPFNOSUPPORT, C::kProtocolFamilyNotSupported},  // 10046
    {WSAEAFNOSUPPORT, C::kAddressFamilyNotSupported},   // 10047
    {WSAEADDRINUSE, C::kAddressInUse},                  // 10048
    {WSAEADDRNOTAVAIL, C::kAddressNotAvailable},        // 10049
    {WSAENETDOWN, C::kNetworkDown},                     // 10050
    {WSAENETUNREACH, C::kNetworkUnreachable},           // 10051
    {WSAENETRESET, C::kNetworkReset},                   // 10052
    {WSAECONNABORTED, C::kConnectionAborted},           // 10053
    {WSAECONNRESET, C::kConnectionReset},               // 10054
    {WSAENOBUFS, C::kNoBufferSpace},                    // 10055
    {WSAEISCONN, C::kAlreadyConnected},                 // 10056
    {WSAENOTCONN, C::kNotConnected},                    // 10057
    {WSAESHUTDOWN, C::kShutDown},                       // 10058
    {WSAETOOMANYREFS, C::kTooManyReferences},           // 10059
    {WSAETIMEDOUT, C::kTimedOut},                       // 10060
    {WSAECONNREFUSED, C::kConnectionRefused},           // 10061
    {WSAELOOP, C::kTooManySymbolicLinks},               // 10062
    {WSAENAMETOOLONG, C::kNameTooLong},                 // 10063
    {WSAEHOSTDOWN, C::kHostDown},                       // 10064
    {WSAEHOSTUNREACH, C::kHostUnreachable},             // 10065
    {WSAENOTEMPTY, C::kDirectoryNotEmpty},              // 10066
    {WSAHOST_NOT_FOUND, C::kHostNotFound},              // 11001
};

constexpr SocketError kOk{};

SocketError LastError() {
  return ErrorFromWsa(WSAGetLastError());
}

SOCKET Sock(SocketHandle handle) {
  return static_cast<SOCKET>(handle);
}

sockaddr_in Address(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sin;
  std::memset(&sin, 0, sizeof sin);
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(address);
  sin.sin_port = htons(port);
  return sin;
}

// select() on one socket for at most timeout_ms (< 0: no limit). The
// except set is watched too: a non-blocking connect that fails shows
// there, not in the write set, and an error counts as ready, as it does
// for poll(); the next call reports it. select() is never interrupted.
bool WaitFor(SocketHandle handle, bool write, int timeout_ms) {
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(Sock(handle), &ready);
  FD_SET(Sock(handle), &failed);
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  const int rc = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed,
                        timeout_ms < 0 ? nullptr : &tv);
  return rc > 0;
}

// GetAddrInfoW in the calling thread, without a time limit of its own.
SocketError LookupNow(const std::string& host, std::uint32_t* address) {
  ADDRINFOW hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  ADDRINFOW* found = nullptr;
  const int rc = GetAddrInfoW(Widen(host).c_str(), nullptr, &hints, &found);
  if (rc != 0) return LookupError(rc);
  SocketError result{C::kHostNotFound, kHostNotFoundCode};
  for (const ADDRINFOW* ai = found; ai != nullptr; ai = ai->ai_next) {
    if (ai->ai_family == AF_INET && ai->ai_addr != nullptr) {
      sockaddr_in sin;
      std::memcpy(&sin, ai->ai_addr, sizeof sin);
      *address = ntohl(sin.sin_addr.s_addr);
      result = kOk;
      break;
    }
  }
  FreeAddrInfoW(found);
  return result;
}

// LookupNow on a thread of its own, which keeps Winsock started for
// itself: an abandoned lookup may outlive the last client.
SocketError LookupInThread(const std::string& host, std::uint32_t* address) {
  WSADATA data;
  const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  const SocketError error = LookupNow(host, address);
  if (started) WSACleanup();
  return error;
}

class Win32Sockets final : public Sockets {
 public:
  // Windows Sockets 2.2 is started by the first client and released by the
  // last, under a lock, so clients may come and go on any thread.
  bool Started() override {
    std::lock_guard lock(mu_);
    if (users_ == 0) {
      WSADATA data;
      if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
      if (data.wVersion != MAKEWORD(2, 2)) {
        WSACleanup();
        return false;
      }
    }
    ++users_;
    return true;
  }

  void Stopped() override {
    std::lock_guard lock(mu_);
    if (users_ > 0 && --users_ == 0) WSACleanup();
  }

  SocketError Create(SocketHandle* handle) override {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
      *handle = kNoSocket;
      return LastError();
    }
    // Not inherited by the programs the console starts, and non-blocking.
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
      const SocketError error = LastError();
      closesocket(s);
      *handle = kNoSocket;
      return error;
    }
    *handle = static_cast<SocketHandle>(s);
    return kOk;
  }

  SocketError BindAny(SocketHandle handle) override {
    const sockaddr_in any = Address(INADDR_ANY, 0);
    if (bind(Sock(handle), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
      return LastError();
    }
    return kOk;
  }

  SocketError StartConnect(SocketHandle handle, std::uint32_t address,
                           std::uint16_t port) override {
    const sockaddr_in to = Address(address, port);
    if (connect(Sock(handle), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return kOk;
    // Winsock says "would block" where POSIX says "in progress".
    const int err = WSAGetLastError();
    if (err == WSAEWOULDBLOCK) return ErrorFor(C::kInProgress);
    return ErrorFromWsa(err);
  }

  SocketError ConnectResult(SocketHandle handle) override {
    int err = 0;
    int len = sizeof err;
    if (getsockopt(Sock(handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0)
      return LastError();
    return ErrorFromWsa(err);
  }

  bool WaitReadable(SocketHandle handle, int timeout_ms) override {
    return WaitFor(handle, false, timeout_ms);
  }
  bool WaitWritable(SocketHandle handle, int timeout_ms) override {
    return WaitFor(handle, true, timeout_ms);
  }

  SocketError Send(SocketHandle handle, const char* data, std::size_t size,
                   std::size_t* sent) override {
    const int chunk = size > 0x40000000 ? 0x40000000 : static_cast<int>(size);
    const int n = send(Sock(handle), data, chunk, 0);
    *sent = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n == SOCKET_ERROR ? LastError() : kOk;
  }

  SocketError Receive(SocketHandle handle, char* buffer, std::size_t capacity,
                      std::size_t* received) override {
    const int chunk = capacity > 0x40000000 ? 0x40000000 : static_cast<int>(capacity);
    const int n = recv(Sock(handle), buffer, chunk, 0);
    *received = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n == SOCKET_ERROR ? LastError() : kOk;
  }

  void ShutdownSend(SocketHandle handle) override { shutdown(Sock(handle), SD_SEND); }

  void Close(SocketHandle handle) override { closesocket(Sock(handle)); }

  std::unique_ptr<NameLookup> StartLookup(const std::string& host) override {
    return internal::StartBackgroundLookup(host, LookupInThread, LookupNow);
  }

  SocketError ErrorFor(SocketCondition condition) override {
    return internal::ErrorForCondition(kWsaTable, condition);
  }

 private:
  std::mutex mu_;
  int users_ = 0;
};

}  // namespace

SocketError ErrorFromWsa(int err) {
  return internal::ErrorFromTable(kWsaTable, err);
}

SocketError LookupError(int err) {
  if (err == WSAHOST_NOT_FOUND || err == WSANO_DATA || err == EAI_NONAME) {
    return {C::kHostNotFound, kHostNotFoundCode};
  }
  return ErrorFromWsa(err);
}

}  // namespace win32

Sockets& Sockets::Default() {
  static win32::Win32Sockets sockets;
  return sockets;
}

}  // namespace stanzo::platform
