#include <windows.h>

#include "platform/paths.h"
#include "platform/win32/utf16.h"

namespace stanzo::platform {

// GetModuleFileNameW cuts a path that does not fit and says so only by
// filling the buffer: it is asked again with more room.
std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      path.resize(n);
      return Narrow(path);
    }
    if (path.size() >= 32768) return std::string();
    path.resize(path.size() * 2);
  }
}

}  // namespace stanzo::platform
