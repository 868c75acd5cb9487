#include "presentation/lyric_queue.h"
