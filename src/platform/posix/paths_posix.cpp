#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace stanzo::platform {

std::string ExecutablePath() {
  std::error_code ec;
  std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  return ec ? std::string() : exe;
}

namespace {

// The XDG base directory `variable`, else `fallback` under $HOME.
std::string XdgDir(const char* variable, const char* fallback) {
  const char* xdg = std::getenv(variable);
  if (xdg != nullptr && *xdg != '\0') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return std::string(home) + fallback;
  return std::string();
}

}  // namespace

std::string UserDataDir() {
  return XdgDir("XDG_DATA_HOME", "/.local/share");
}

std::string UserConfigDir() {
  return XdgDir("XDG_CONFIG_HOME", "/.config");
}

std::string SystemVlcLuaIntfDir() {
  // VLC's plugin folder is fixed when VLC is built: Debian's lies under
  // the multiarch library folder (vlc-plugin-base owns lua/intf there).
  return STANZO_VLC_SYSTEM_LUA_INTF_DIR;
}

}  // namespace stanzo::platform
