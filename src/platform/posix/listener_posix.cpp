#include <sys/socket.h>

#include "platform/listener.h"

namespace stanzo::platform {

// SO_REUSEADDR only: past connections in TIME_WAIT do not block a restart,
// and unlike SO_REUSEPORT it lets no second listener in.
void PrepareListener(std::uintptr_t handle) {
  const int yes = 1;
  setsockopt(static_cast<int>(handle), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

}  // namespace stanzo::platform
