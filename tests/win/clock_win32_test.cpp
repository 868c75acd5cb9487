#include <gtest/gtest.h>

#include "platform/clock.h"

namespace stanzo::platform {
namespace {

TEST(ClockWin32, SleepLastsAtLeastItsTimeOnTheMonotonicClock) {
  Clock& clock = Clock::Default();
  const int64_t start = clock.NowMs();
  clock.SleepMs(60);
  const int64_t slept = clock.NowMs() - start;
  EXPECT_GE(slept, 59);  // a tick's rounding at most
  EXPECT_LT(slept, 60000);
  const int64_t before = clock.NowMs();
  clock.SleepMs(-5);  // nothing, not forever
  EXPECT_GE(clock.NowMs(), before);
}

}  // namespace
}  // namespace stanzo::platform
