#include "platform/env.h"

namespace stanzo::platform {

Env& Env::Default() {
  static Env env{Files::Default(), Sockets::Default(),  Processes::Default(),
                 Clock::Default(), CodePage::Default(), System::Default()};
  return env;
}

}  // namespace stanzo::platform
