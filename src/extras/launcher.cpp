#include "extras/launcher.h"

namespace stanzo {

namespace {

// The player with the rc interface as an extra interface on every address
// at port 2323, without the interface's echo, and three marquee overlays
// m1, m2, m3. This constant is the one place to change the default
// launch command; nothing else depends on its text.
constexpr char kDefaultLaunchCommand[] =
    "/usr/bin/vlc --extraintf=\"rc\" --rc-host=\"0.0.0.0:2323\" --rc-quiet "
    "--sub-filter=marq@m1:marq@m2:marq@m3";

}  // namespace

std::string DefaultLaunchCommand() {
  return kDefaultLaunchCommand;
}

}  // namespace stanzo
