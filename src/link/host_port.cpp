#include "link/host_port.h"
