// How the POSIX sockets turn the system's error numbers into SocketErrors;
// exposed for tests of the mapping.
#pragma once

#include "platform/sockets.h"

namespace stanzo::platform::posix {

// The condition of `err` (an errno value) with `err` as its code; kOther
// for numbers without a condition of their own. EPIPE, which Linux reports
// for a send on a link already shut down or lost, counts as kShutDown.
SocketError ErrorFromErrno(int err);

// The error of a failed getaddrinfo(): the system's error for EAI_SYSTEM
// (when errno tells one), otherwise kHostNotFound.
SocketError LookupError(int gai_error, int sys_errno);

}  // namespace stanzo::platform::posix
