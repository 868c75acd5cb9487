#include "link/tcp_errors.h"

namespace stanzo {

std::string SocketErrorText(platform::SocketCondition condition) {
  using C = platform::SocketCondition;
  switch (condition) {
    case C::kInterrupted:
      return "Interrupted system call.";
    case C::kBadHandle:
      return "Bad file number.";
    case C::kAccessDenied:
      return "Access denied.";
    case C::kBadAddress:
      return "Bad address.";
    case C::kInvalidArgument:
      return "Invalid argument.";
    case C::kTooManyOpenFiles:
      return "Too many open files.";
    case C::kWouldBlock:
      return "Operation would block. ";  // the trailing blank is part of the text
    case C::kInProgress:
      return "Operation now in progress.";
    case C::kAlreadyInProgress:
      return "Operation already in progress.";
    case C::kNotSocket:
      return "Socket operation on non-socket.";
    case C::kDestinationRequired:
      return "Destination address required.";
    case C::kMessageTooLong:
      return "Message too long.";
    case C::kWrongProtocolType:
      return "Protocol wrong type for socket.";
    case C::kBadProtocolOption:
      return "Bad protocol option.";
    case C::kProtocolNotSupported:
      return "Protocol not supported.";
    case C::kSocketTypeNotSupported:
      return "Socket type not supported.";
    case C::kOperationNotSupported:
      return "Operation not supported on socket.";
    case C::kProtocolFamilyNotSupported:
      return "Protocol family not supported.";
    case C::kAddressFamilyNotSupported:
      return "Address family not supported by protocol family.";
    case C::kAddressInUse:
      return "Address already in use.";
    case C::kAddressNotAvailable:
      return "Cannot assign requested address.";
    case C::kNetworkDown:
      return "Network is down.";
    case C::kNetworkUnreachable:
      return "Network is unreachable.";
    case C::kNetworkReset:
      return "Net dropped connection or reset.";
    case C::kConnectionAborted:
      return "Software caused connection abort.";
    case C::kConnectionReset:
      return "Connection reset by peer.";
    case C::kNoBufferSpace:
      return "No buffer space available.";
    case C::kAlreadyConnected:
      return "Socket is already connected.";
    case C::kNotConnected:
      return "Socket is not connected.";
    case C::kShutDown:
      return "Cannot send or receive after socket is closed.";
    case C::kTooManyReferences:
      return "Too many references, cannot splice.";
    case C::kTimedOut:
      return "Connection timed out.";
    case C::kConnectionRefused:
      return "Connection refused.";
    case C::kTooManySymbolicLinks:
      return "Too many levels of symbolic links.";
    case C::kNameTooLong:
      return "File name too long.";
    case C::kHostDown:
      return "Host is down.";
    case C::kHostUnreachable:
      return "No route to host.";
    case C::kDirectoryNotEmpty:
      return "Directory not empty";  // no full stop: the text is exactly this
    case C::kHostNotFound:
      return "Host not found.";
    case C::kNone:
    case C::kOther:
      break;
  }
  return "";
}

std::string SocketErrorMessage(const platform::SocketError& error) {
  return "Socket Error # " + std::to_string(error.code) + "\r\n" + SocketErrorText(error.condition);
}

EIdSocketError::EIdSocketError(const platform::SocketError& error)
    : EIdException(SocketErrorMessage(error)), error_(error) {}

}  // namespace stanzo
