#include "extras/dos.h"
