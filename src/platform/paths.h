// Where the running program lies, and how this system's paths split into
// directory and name.
//
// Threading: any thread. Errors: ExecutablePath is empty when the system
// cannot tell (it never throws, out of memory aside).
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

// The running program's full path in UTF-8 ("/opt/stanzo/stanzo",
// "C:\Stanzo\stanzo.exe").
std::string ExecutablePath();

// The folder under which per-user programs keep their data, without a
// trailing separator: on POSIX $XDG_DATA_HOME, else $HOME/.local/share; on
// Windows the roaming application data folder (%APPDATA%), found as VLC
// finds it. Empty when the system cannot tell.
std::string UserDataDir();
// The folder under which per-user programs keep their settings, without a
// trailing separator: on POSIX $XDG_CONFIG_HOME, else $HOME/.config; on
// Windows the same folder as UserDataDir. Empty when the system cannot
// tell.
std::string UserConfigDir();

// The folder in which VLC looks for the Lua interfaces of every user, with
// its trailing separator: VLC's own plugin folder on Linux; empty where
// the console installs nothing for every user (Windows).
std::string SystemVlcLuaIntfDir();

}  // namespace stanzo::platform
