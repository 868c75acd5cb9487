#include "presentation/slide_sender.h"
