#include <windows.h>

#include "platform/clock.h"

namespace stanzo::platform {
namespace {

// The performance counter: monotonic, never wraps, and precise to well
// under a millisecond (GetTickCount64 moves in 10-16 ms steps, too coarse
// for the connect's 125 ms pacing). Sleep keeps the system's timer
// resolution, so a sleep may last up to one timer tick (about 16 ms)
// longer than asked; every wait loop re-reads NowMs, so that only delays.
class PerformanceClock final : public Clock {
 public:
  PerformanceClock() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);  // cannot fail since Windows XP
    frequency_ = f.QuadPart;
  }
  int64_t NowMs() override {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    // Whole seconds and the remainder apart, so the product cannot overflow.
    const int64_t seconds = c.QuadPart / frequency_;
    const int64_t rest = c.QuadPart % frequency_;
    return seconds * 1000 + rest * 1000 / frequency_;
  }
  void SleepMs(int64_t ms) override {
    // Sleep takes a DWORD, and INFINITE (0xFFFFFFFF) means forever: a
    // longer wait is slept in pieces below that.
    while (ms > 0) {
      const DWORD step = ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(ms);
      Sleep(step);
      ms -= step;
    }
  }

 private:
  int64_t frequency_ = 1;
};

}  // namespace

Clock& Clock::Default() {
  static PerformanceClock clock;
  return clock;
}

}  // namespace stanzo::platform
