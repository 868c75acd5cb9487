#include "text/masks.h"
