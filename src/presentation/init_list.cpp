#include "presentation/init_list.h"
