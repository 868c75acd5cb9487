// How the Winsock sockets turn the system's error numbers into
// SocketErrors; exposed for tests of the mapping.
#pragma once

#include "platform/sockets.h"

namespace stanzo::platform::win32 {

// The condition of `err` (a WSAGetLastError() value) with `err` as its
// code; kOther for numbers without a condition of their own.
SocketError ErrorFromWsa(int err);

// The error of a failed GetAddrInfoW(): a name that does not resolve, or
// resolves to no IPv4 address, is kHostNotFound with kHostNotFoundCode;
// any other failure keeps its own number.
SocketError LookupError(int err);

}  // namespace stanzo::platform::win32
