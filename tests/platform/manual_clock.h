// A clock for tests that moves only when told to, or when the code under
// test sleeps on it. Safe to share between threads: a worker sleeping on it
// (a background worker) and the test advancing it.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/clock.h"

namespace stanzo::testing {

class ManualClock final : public platform::Clock {
 public:
  explicit ManualClock(int64_t startMs = 1'000'000) : now_(startMs) {}

  int64_t NowMs() override {
    std::lock_guard lock(mu_);
    return now_;
  }
  // Sleeping advances the clock by `ms` at once: code that paces itself by
  // sleeping runs at full speed and sees exactly the time it asked for.
  void SleepMs(int64_t ms) override {
    if (ms > 0) Advance(ms);
  }
  void Advance(int64_t ms) {
    std::lock_guard lock(mu_);
    now_ += ms;
  }

 private:
  std::mutex mu_;
  int64_t now_;
};

}  // namespace stanzo::testing
