// The player launcher's rules: the default command, the history, and the
// bridge that VLC needs in a folder where it looks for Lua interfaces.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/env.h"
#include "text/item_list.h"

namespace stanzo {

constexpr int kLaunchHistoryCap = 100;  // during a run
constexpr int kLaunchHistoryKept = 10;  // across runs

// Where vlc/install.sh puts the plain black picture that the default
// command plays under the overlays: "<dataHome>/stanzo/stanzo_black.png".
std::string BlackPicturePath(const std::string& dataHome);
// The picture the Linux default plays, for a program in `exeDir` (ends in
// "/"): the user's copy (vlc/install.sh) when `exists` finds it, else the
// one shipped beside the program (a build tree: "<exeDir>vlc/"), else the
// package's ("/usr/share/stanzo/" for "/usr/bin/"); with none of them, the
// user's.
std::string ChooseBlackPicture(const std::string& dataHome, const std::string& exeDir,
                               const std::function<bool(const std::string&)>& exists);

// The Linux command line used when there is no launch history. `dataHome`
// is the user's data directory ($XDG_DATA_HOME, else ~/.local/share);
// when empty, the command plays nothing.
std::string DefaultLaunchCommand(const std::string& dataHome);
// The same, playing `picture` (nothing when empty).
std::string LinuxLaunchCommand(const std::string& picture);
// The Windows one: VLC from its standard install path, playing the black
// picture shipped in the "vlc" folder beside stanzo.exe. `appDir` ends in
// "\"; when empty, the command plays nothing. Paths are quoted for the
// Windows command line.
std::string WindowsLaunchCommand(const std::string& appDir);
// The default of `env.system`'s family: one of the two above, for its user
// data folder (and the picture ChooseBlackPicture finds) or its executable.
std::string DefaultLaunchCommand(const platform::Env& env);

// Execute: records `text` as the newest entry (cap 100).
inline void RecordLaunch(ItemList& history, const std::string& text) {
  RecordNewest(history, text, kLaunchHistoryCap);
}

// The bridge's file name, both where it ships and where VLC finds it.
inline constexpr char kBridgeFileName[] = "stanzo_bridge.lua";

// The number in the bridge's "local BRIDGE_VERSION = <n>" line; 0 for a
// script without one (older than any numbered one).
int BridgeVersion(std::string_view script);

// Whether the copy installed for VLC (nullopt: there is none) must give
// way to the shipped one: when it is missing, older (a lower version), or
// of the same version with other bytes. A newer installed copy is kept.
bool BridgeNeedsCopy(std::string_view shipped, const std::optional<std::string>& installed);

// Which bridge Execute puts into the user's VLC folder before it starts the
// player: nullopt leaves that folder as it is. `shipped` is the copy beside
// the program (the zip, a build tree), `system` the one in VLC's folder for
// every user (the Debian package), `user` the one in the user's VLC folder,
// which VLC finds first; nullopt where there is none. The newer of shipped
// and system is the source (shipped on a tie). A missing user copy is
// needed only when the system copy is missing, older than the source, or
// of its version with other bytes: VLC finds the system one otherwise. A
// user copy that is there is updated as BridgeNeedsCopy says, since it
// hides the system one.
std::optional<std::string> BridgeToInstall(const std::optional<std::string>& shipped,
                                           const std::optional<std::string>& system,
                                           const std::optional<std::string>& user);

enum class BridgeInstall {
  NotShipped,  // no bridge beside the program nor for every user
  UpToDate,    // the installed copy stays
  Installed,   // copied
  Failed,      // the folder or the file could not be written
};

// Puts the bridge that BridgeToInstall chooses (from `shippedPath` or
// `systemPath`; either may be empty) into `installDir` (which ends in a
// separator; made when missing). An unreadable copy counts as missing.
BridgeInstall InstallBridge(platform::Files& files, const std::string& shippedPath,
                            const std::string& installDir, const std::string& systemPath = "");

// Execute calls this before starting the command: the bridge shipped in
// "vlc" beside the program (`exeDir` ends in a separator), or VLC's system
// copy, goes into the user's VLC folder (POSIX
// $XDG_DATA_HOME/vlc/lua/intf/, Windows %APPDATA%\vlc\lua\intf\), where
// VLC looks for Lua interfaces by name, as BridgeToInstall says.
BridgeInstall InstallBridgeForVlc(const platform::Env& env, const std::string& exeDir);

}  // namespace stanzo
