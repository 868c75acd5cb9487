#include "extras/cameras.h"
