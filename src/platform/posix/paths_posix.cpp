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

std::string UserDataDir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg != '\0') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return std::string(home) + "/.local/share";
  return std::string();
}

}  // namespace stanzo::platform
