// The marquee stress test: moves the main overlay, then counts in it.
#pragma once

#include <functional>

#include "presentation/line_source.h"

namespace stanzo {

// Sends the whole sequence through `send`, calling `pause(ms)` between
// steps (100 ms while moving, 200 ms while counting). A send failure
// propagates and ends the run.
void RunStressTest(const SendFn& send, const std::function<void(int ms)>& pause);

}  // namespace stanzo
