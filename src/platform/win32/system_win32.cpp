#include <windows.h>
// (after windows.h)
#include <shlobj.h>
#include <cstdlib>

#include "platform/system.h"
#include "platform/win32/utf16.h"

namespace stanzo::platform {
namespace {

class WindowsSystem final : public System {
 public:
  Family Kind() override { return Family::kWindows; }

  // GetModuleFileNameW cuts a path that does not fit and says so only by
  // filling the buffer: it is asked again with more room.
  std::string ExecutablePath() override {
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
  std::string UserDataDir() override {
    wchar_t dir[MAX_PATH];
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, dir) == S_OK)
      return Narrow(dir);
    return Variable("APPDATA");
  }

  // Settings and data lie together there.
  std::string UserConfigDir() override { return UserDataDir(); }

  // VLC's own folder is the installer's; nothing is put there.
  std::string SystemVlcLuaIntfDir() override { return std::string(); }

  // The wide environment: the narrow one is in the ANSI code page.
  std::string Variable(const std::string& name) override {
    const wchar_t* value = _wgetenv(Widen(name).c_str());
    return value != nullptr ? Narrow(value) : std::string();
  }
};

}  // namespace

System& System::Default() {
  static WindowsSystem system;
  return system;
}

}  // namespace stanzo::platform
