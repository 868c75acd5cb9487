#include "presentation/lyric_search.h"
