// The player launcher's rules: the default command and the history.
#pragma once

#include <string>

#include "text/item_list.h"

namespace stanzo {

constexpr int kLaunchHistoryCap = 100;  // during a run
constexpr int kLaunchHistoryKept = 10;  // across runs

// Where vlc/install.sh puts the plain black picture that the default
// command plays under the overlays: "<dataHome>/stanzo/stanzo_black.png".
std::string BlackPicturePath(const std::string& dataHome);

// The command line used when there is no launch history. `dataHome` is
// the user's data directory ($XDG_DATA_HOME, else ~/.local/share); when
// empty, the command plays nothing.
std::string DefaultLaunchCommand(const std::string& dataHome);
// The same for this process's environment.
std::string DefaultLaunchCommand();

// Execute: records `text` as the newest entry (cap 100).
inline void RecordLaunch(ItemList& history, const std::string& text) {
  RecordNewest(history, text, kLaunchHistoryCap);
}

}  // namespace stanzo
