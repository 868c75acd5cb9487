// The player launcher's rules: the default command, the history, and the
// bridge that VLC on Windows needs in its own folder.
#pragma once

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

// The Linux command line used when there is no launch history. `dataHome`
// is the user's data directory ($XDG_DATA_HOME, else ~/.local/share);
// when empty, the command plays nothing.
std::string DefaultLaunchCommand(const std::string& dataHome);
// The Windows one: VLC from its standard install path, playing the black
// picture shipped in the "vlc" folder beside stanzo.exe. `appDir` ends in
// "\"; when empty, the command plays nothing. Paths are quoted for the
// Windows command line.
std::string WindowsLaunchCommand(const std::string& appDir);
// The default of `system`'s family: one of the two above, for its user data
// folder or its executable.
std::string DefaultLaunchCommand(platform::System& system);

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

enum class BridgeInstall {
  NotShipped,  // no bridge beside the program (or not this system's job)
  UpToDate,    // the installed copy stays
  Installed,   // copied
  Failed,      // the folder or the file could not be written
};

// Copies the bridge at `shippedPath` to `installDir` (which ends in a
// separator; made when missing) when BridgeNeedsCopy says so.
BridgeInstall InstallBridge(platform::Files& files, const std::string& shippedPath,
                            const std::string& installDir);

// Execute calls this before starting the command. On Windows (by
// env.system) it installs `appDir` + "vlc\stanzo_bridge.lua" into
// %APPDATA%\vlc\lua\intf\, where VLC looks for Lua interfaces by name.
// Elsewhere it does nothing (vlc/install.sh puts the bridge in place) and
// says NotShipped.
BridgeInstall InstallBridgeForVlc(const platform::Env& env, const std::string& appDir);

}  // namespace stanzo
