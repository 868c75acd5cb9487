#include "link/tcp_errors.h"

#include <cerrno>

namespace stanzo {

std::string SocketErrorText(int code) {
  // Each errno is paired with the text of the socket-layer condition it
  // stands for. EPIPE is what Linux reports for a send on a link that is
  // already shut down or reset, so it shares ESHUTDOWN's text.
  switch (code) {
    case EINTR:
      return "Interrupted system call.";
    case EBADF:
      return "Bad file number.";
    case EACCES:
      return "Access denied.";
    case EFAULT:
      return "Bad address.";
    case EINVAL:
      return "Invalid argument.";
    case EMFILE:
      return "Too many open files.";
    case EWOULDBLOCK:
      return "Operation would block. ";  // the trailing blank is part of the text
    case EINPROGRESS:
      return "Operation now in progress.";
    case EALREADY:
      return "Operation already in progress.";
    case ENOTSOCK:
      return "Socket operation on non-socket.";
    case EDESTADDRREQ:
      return "Destination address required.";
    case EMSGSIZE:
      return "Message too long.";
    case EPROTOTYPE:
      return "Protocol wrong type for socket.";
    case ENOPROTOOPT:
      return "Bad protocol option.";
    case EPROTONOSUPPORT:
      return "Protocol not supported.";
    case ESOCKTNOSUPPORT:
      return "Socket type not supported.";
    case EOPNOTSUPP:
      return "Operation not supported on socket.";
    case EPFNOSUPPORT:
      return "Protocol family not supported.";
    case EAFNOSUPPORT:
      return "Address family not supported by protocol family.";
    case EADDRINUSE:
      return "Address already in use.";
    case EADDRNOTAVAIL:
      return "Cannot assign requested address.";
    case ENETDOWN:
      return "Network is down.";
    case ENETUNREACH:
      return "Network is unreachable.";
    case ENETRESET:
      return "Net dropped connection or reset.";
    case ECONNABORTED:
      return "Software caused connection abort.";
    case ECONNRESET:
      return "Connection reset by peer.";
    case ENOBUFS:
      return "No buffer space available.";
    case EISCONN:
      return "Socket is already connected.";
    case ENOTCONN:
      return "Socket is not connected.";
    case ESHUTDOWN:
    case EPIPE:
      return "Cannot send or receive after socket is closed.";
    case ETOOMANYREFS:
      return "Too many references, cannot splice.";
    case ETIMEDOUT:
      return "Connection timed out.";
    case ECONNREFUSED:
      return "Connection refused.";
    case ELOOP:
      return "Too many levels of symbolic links.";
    case ENAMETOOLONG:
      return "File name too long.";
    case EHOSTDOWN:
      return "Host is down.";
    case EHOSTUNREACH:
      return "No route to host.";
    case ENOTEMPTY:
      return "Directory not empty";  // no full stop: the text is exactly this
    case kHostNotFound:
      return "Host not found.";
    default:
      return "";
  }
}

std::string SocketErrorMessage(int code) {
  return "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorText(code);
}

EIdSocketError::EIdSocketError(int code) : EIdException(SocketErrorMessage(code)), code_(code) {}

}  // namespace stanzo
