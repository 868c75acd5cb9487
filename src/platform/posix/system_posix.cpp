#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/system.h"

namespace stanzo::platform {
namespace {

class PosixSystem final : public System {
 public:
  Family Kind() override { return Family::kPosix; }

  std::string ExecutablePath() override {
    std::error_code ec;
    std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    return ec ? std::string() : exe;
  }

  std::string UserDataDir() override {
    const std::string xdg = Variable("XDG_DATA_HOME");
    if (!xdg.empty()) return xdg;
    const std::string home = Variable("HOME");
    if (!home.empty()) return home + "/.local/share";
    return std::string();
  }

  std::string Variable(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? std::string(value) : std::string();
  }
};

}  // namespace

System& System::Default() {
  static PosixSystem system;
  return system;
}

}  // namespace stanzo::platform
