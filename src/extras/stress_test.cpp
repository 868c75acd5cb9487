#include "extras/stress_test.h"

#include <string>

#include "link/vlc_commands.h"

namespace stanzo {

namespace {

constexpr int kSteps = 100;
constexpr int kMovePauseMs = 100;
constexpr int kCountPauseMs = 200;

}  // namespace

void RunStressTest(const SendFn& send, const std::function<void(int ms)>& pause) {
  send(vlc::kStressHi);
  send(vlc::kStressPosition5);
  send(vlc::kStressSize200);
  send(vlc::kStressRefresh50);
  for (int n = 1; n <= kSteps; ++n) {
    send(vlc::kMainX + std::to_string(n));
    send(vlc::kMainY + std::to_string(n));
    pause(kMovePauseMs);
  }
  send(vlc::kStressHi);
  send(vlc::kStressPosition0);
  send(vlc::kStressSize200);
  send(vlc::kStressRefresh100);
  for (int n = 1; n <= kSteps; ++n) {
    send(vlc::MainMarquee(std::to_string(n)));
    pause(kCountPauseMs);
  }
}

}  // namespace stanzo
