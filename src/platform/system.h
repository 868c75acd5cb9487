// The facts of the system the console runs on: which family of systems it
// is, where the running program lies, where per-user data go, and the
// process's environment variables.
//
// The family decides every rule that differs between Windows and POSIX
// above this folder (the player's default launch command, the settings
// editor, how a working directory completes a command line, whether the
// bridge is copied where the player finds it), so those rules are chosen
// at run time from here and a test can take either side with a fake.
//
// Threading: any thread. Errors: an answer the system cannot give is
// empty (nothing throws, out of memory aside).
#pragma once

#include <string>
#include <string_view>

namespace stanzo::platform {

// The bytes after which a path's last component starts: "/" on POSIX;
// "\", "/" and the ":" of a drive ("C:name") on Windows.
#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "\\/:";
#else
inline constexpr std::string_view kPathSeparators = "/";
#endif

class System {
 public:
  enum class Family { kPosix, kWindows };

  virtual ~System() = default;

  virtual Family Kind() = 0;

  // The running program's full path in UTF-8 ("/opt/stanzo/stanzo",
  // "C:\Stanzo\stanzo.exe").
  virtual std::string ExecutablePath() = 0;

  // The folder under which per-user programs keep their data, without a
  // trailing separator: on POSIX $XDG_DATA_HOME, else $HOME/.local/share;
  // on Windows the roaming application data folder (%APPDATA%), found as
  // VLC finds it.
  virtual std::string UserDataDir() = 0;

  // The folder under which per-user programs keep their settings, without
  // a trailing separator: on POSIX $XDG_CONFIG_HOME, else $HOME/.config;
  // on Windows the same folder as UserDataDir.
  virtual std::string UserConfigDir() = 0;

  // The folder in which VLC looks for the Lua interfaces of every user,
  // with its trailing separator: VLC's own plugin folder on Linux; empty
  // where the console installs nothing for every user (Windows).
  virtual std::string SystemVlcLuaIntfDir() = 0;

  // The value of the environment variable `name` in UTF-8; empty when it
  // is unset.
  virtual std::string Variable(const std::string& name) = 0;

  // This system's; lives for the whole run.
  static System& Default();
};

}  // namespace stanzo::platform
