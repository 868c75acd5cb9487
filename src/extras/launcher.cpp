#include "extras/launcher.h"

namespace stanzo {

namespace {

// Debian's VLC 3 with the console's bridge interface (vlc/intf, installed
// by vlc/install.sh into ~/.local/share/vlc/lua/intf) listening on every
// address at port 2323 and owning the three marquee overlays m1, m2, m3,
// plus VLC's own command line interface on a private loopback port, to
// which the bridge passes every command that is not for an overlay.
// VLC 3 has no "--rc-quiet" on Linux, no "@name" commands in its CLI and
// no named "marq@m1" sources, hence the bridge. The CLI must keep its
// --rc-host: without a host it reads standard input, which the process
// runner closes, and that shuts VLC down. VLC refuses to run as root.
// This constant is the one place to change the default launch command;
// nothing else depends on its text.
constexpr char kDefaultLaunchCommand[] =
    "/usr/bin/vlc --extraintf=luaintf:rc --lua-intf=stanzo_bridge "
    "--rc-host=127.0.0.1:2324";

}  // namespace

std::string DefaultLaunchCommand() {
  return kDefaultLaunchCommand;
}

}  // namespace stanzo
