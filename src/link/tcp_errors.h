// Exceptions of the TCP client. All derive from EIdException, which derives
// from std::runtime_error; what() is the exact operator-facing message.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/sockets.h"

namespace stanzo {

class EIdException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EIdSilentException : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdSocketHandleError : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdTCPConnectionError : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdStackError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdAlreadyConnected : public EIdException {
 public:
  EIdAlreadyConnected() : EIdException("Already connected.") {}
};
class EIdInvalidSocket : public EIdException {
 public:
  EIdInvalidSocket() : EIdException("Cannot allocate socket.") {}
};
class EIdCouldNotBindSocket : public EIdSocketHandleError {
 public:
  EIdCouldNotBindSocket()
      : EIdSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};
class EIdConnectTimeout : public EIdException {
 public:
  EIdConnectTimeout() : EIdException("Connect timed out.") {}
};
class EIdConnectException : public EIdException {
 public:
  using EIdException::EIdException;
};
class EIdNotConnected : public EIdTCPConnectionError {
 public:
  EIdNotConnected() : EIdTCPConnectionError("Not Connected") {}
};
class EIdConnClosedGracefully : public EIdSilentException {
 public:
  EIdConnClosedGracefully() : EIdSilentException("Connection Closed Gracefully.") {}
};
class EIdReadTimeout : public EIdException {
 public:
  EIdReadTimeout() : EIdException("Read Timeout") {}
};
class EIdStackInitializationFailed : public EIdStackError {
 public:
  EIdStackInitializationFailed() : EIdStackError("Winsock Initialization Error.") {}
};

// "Socket Error # <code>\r\n<text>": the system's number for the failure
// and the text of its condition.
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(const platform::SocketError& error);
  int LastError() const { return error_.code; }
  platform::SocketCondition Condition() const { return error_.condition; }

 private:
  platform::SocketError error_;
};

// The code of a name that cannot be resolved ("Host not found.").
constexpr int kHostNotFound = platform::kHostNotFoundCode;

// The message text of a condition ("" for kOther and kNone).
std::string SocketErrorText(platform::SocketCondition condition);
// The full "Socket Error # ..." message.
std::string SocketErrorMessage(const platform::SocketError& error);

}  // namespace stanzo
