// The player launcher's rules: the default command and the history.
#pragma once

#include <string>

#include "text/item_list.h"

namespace stanzo {

constexpr int kLaunchHistoryCap = 100;  // during a run
constexpr int kLaunchHistoryKept = 10;  // across runs

// The command line used when there is no launch history.
std::string DefaultLaunchCommand();

// Execute: records `text` as the newest entry (cap 100).
inline void RecordLaunch(ItemList& history, const std::string& text) {
  RecordNewest(history, text, kLaunchHistoryCap);
}

}  // namespace stanzo
