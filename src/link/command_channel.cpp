#include "link/command_channel.h"
