#include <windows.h>
// (after windows.h)
#include <shlobj.h>
#include <cstdlib>

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

// Asked for as VLC asks for it (its user data lie in "<that>\vlc"); the
// environment variable when the shell cannot say.
std::string UserDataDir() {
  wchar_t dir[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, dir) == S_OK)
    return Narrow(dir);
  const wchar_t* env = _wgetenv(L"APPDATA");
  return env != nullptr ? Narrow(env) : std::string();
}

}  // namespace stanzo::platform

namespace stanzo::platform {

std::string UserConfigDir() {
  return UserDataDir();
}

std::string SystemVlcLuaIntfDir() {
  return std::string();
}

}  // namespace stanzo::platform
