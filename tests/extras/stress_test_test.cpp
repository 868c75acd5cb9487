#include "extras/stress_test.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace stanzo {
namespace {

// The whole run as one list of events: sent lines and "pause <ms>".
std::vector<std::string> ExpectedRun() {
  std::vector<std::string> e = {"@m1 marq-marquee Hi", "@m1 marq-position 5", "@m1 marq-size 200",
                                "@m1 marq-refresh 50"};
  for (int n = 1; n <= 100; ++n) {
    e.push_back("@m1 marq-x " + std::to_string(n));
    e.push_back("@m1 marq-y " + std::to_string(n));
    e.push_back("pause 100");
  }
  for (const char* line : {"@m1 marq-marquee Hi", "@m1 marq-position 0", "@m1 marq-size 200",
                           "@m1 marq-refresh 100"}) {
    e.push_back(line);
  }
  for (int n = 1; n <= 100; ++n) {
    e.push_back("@m1 marq-marquee " + std::to_string(n));
    e.push_back("pause 200");
  }
  return e;
}

bool IsPause(const std::string& event) {
  return event.rfind("pause ", 0) == 0;
}

TEST(StressTest, SendsTheWholeSequenceWithItsPauses) {
  std::vector<std::string> events;
  RunStressTest([&](const std::string& line) { events.push_back(line); },
                [&](int ms) { events.push_back("pause " + std::to_string(ms)); });
  EXPECT_EQ(events, ExpectedRun());
  int lines = 0, pauseMs = 0;
  for (const auto& e : events) {
    if (IsPause(e)) {
      pauseMs += std::stoi(e.substr(6));
    } else {
      ++lines;
    }
  }
  EXPECT_EQ(lines, 308);
  EXPECT_EQ(pauseMs, 100 * 100 + 100 * 200);
  EXPECT_EQ(events.size() >= 2 ? events[events.size() - 2] : "", "@m1 marq-marquee 100");
}

TEST(StressTest, SendFailureEndsTheRun) {
  const std::vector<std::string> full = ExpectedRun();
  for (int failAt : {1, 4, 5, 204, 205, 208, 209, 308}) {
    SCOPED_TRACE(failAt);
    std::vector<std::string> events;
    int sends = 0;
    EXPECT_THROW(RunStressTest(
                     [&](const std::string& line) {
                       events.push_back(line);
                       if (++sends == failAt) throw std::runtime_error("link down");
                     },
                     [&](int ms) { events.push_back("pause " + std::to_string(ms)); }),
                 std::runtime_error);
    // Everything up to and including the failed line, nothing after.
    std::vector<std::string> want;
    int seen = 0;
    for (const auto& e : full) {
      want.push_back(e);
      if (!IsPause(e) && ++seen == failAt) break;
    }
    EXPECT_EQ(events, want);
  }
}

}  // namespace
}  // namespace stanzo
