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

  std::string UserDataDir() override { return XdgDir("XDG_DATA_HOME", "/.local/share"); }

  std::string UserConfigDir() override { return XdgDir("XDG_CONFIG_HOME", "/.config"); }

  std::string SystemVlcLuaIntfDir() override {
    // VLC's plugin folder is fixed when VLC is built: Debian's lies under
    // the multiarch library folder (vlc-plugin-base owns lua/intf there).
    return STANZO_VLC_SYSTEM_LUA_INTF_DIR;
  }

  std::string Variable(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? std::string(value) : std::string();
  }

 private:
  // The XDG base directory `variable`, else `fallback` under $HOME.
  std::string XdgDir(const char* variable, const char* fallback) {
    const std::string xdg = Variable(variable);
    if (!xdg.empty()) return xdg;
    const std::string home = Variable("HOME");
    if (!home.empty()) return home + fallback;
    return std::string();
  }
};

}  // namespace

System& System::Default() {
  static PosixSystem system;
  return system;
}

}  // namespace stanzo::platform
