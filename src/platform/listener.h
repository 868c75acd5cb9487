// Options for a listening socket that a library made (given by its native
// handle): the address may be bound again at once after a restart, but
// never by two listeners at the same time, so a second program on the same
// port fails to bind instead of sharing it.
#pragma once

#include <cstdint>

namespace stanzo::platform {

void PrepareListener(std::uintptr_t handle);

}  // namespace stanzo::platform
