// The clock and sleep: the one place where the console reads time or waits.
//
// Every time-out and pacing rule (the connect's 125 ms steps and 5000 ms
// limit, the 3 s write limit, the process runner's wait loop, the stress
// test's pauses) reads time through a Clock, so tests run them on a manual
// clock instead of sitting through real seconds.
//
// Threading: Default() is safe to call from any thread; a Clock object is
// used by one thread at a time unless its own comment says otherwise.
#pragma once

#include <cstdint>

namespace stanzo::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a monotonic clock; only differences mean anything.
  virtual int64_t NowMs() = 0;
  // Blocks the calling thread for `ms` milliseconds (nothing for ms <= 0).
  virtual void SleepMs(int64_t ms) = 0;

  // The operating system's monotonic clock; lives for the whole run.
  static Clock& Default();
};

}  // namespace stanzo::platform
