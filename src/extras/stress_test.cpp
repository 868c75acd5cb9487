#include "extras/stress_test.h"
