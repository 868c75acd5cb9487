#include "text/line_file.h"
