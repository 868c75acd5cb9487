#include "link/tcp_client.h"
