#include <filesystem>
#include <system_error>

#include "platform/paths.h"

namespace stanzo::platform {

std::string ExecutablePath() {
  std::error_code ec;
  std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  return ec ? std::string() : exe;
}

}  // namespace stanzo::platform
