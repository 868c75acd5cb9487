#include "extras/launcher.h"
