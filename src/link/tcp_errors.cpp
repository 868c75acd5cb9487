#include "link/tcp_errors.h"
