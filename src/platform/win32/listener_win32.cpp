#include <winsock2.h>

#include "platform/listener.h"

namespace stanzo::platform {

// Windows lets a later SO_REUSEADDR socket take over a bound port; an
// exclusive socket refuses it, and Windows never holds a closed listener's
// port back from a restart.
void PrepareListener(std::uintptr_t handle) {
  const BOOL yes = TRUE;
  setsockopt(static_cast<SOCKET>(handle), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
             reinterpret_cast<const char*>(&yes), sizeof yes);
}

}  // namespace stanzo::platform
