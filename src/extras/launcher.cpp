#include "extras/launcher.h"

#include <cstdlib>

#include "text/command_line.h"

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
//
// --intf=qt,dummy: without a graphical interface installed, VLC's default
// main interface is its CLI, which then opens a second time on the same
// --rc-host and fails ("Cannot listen on 127.0.0.1:2324"); the dummy
// interface stands in for the missing GUI instead.
// --no-video-title-show: VLC's file-name caption would cover m2 for
// seconds after each new video.
// The black picture (--image-duration=-1: shown until stopped) gives the
// overlays a video output when there is nothing else to play.
constexpr char kDefaultLaunchCommand[] =
    "/usr/bin/vlc --intf=qt,dummy --extraintf=luaintf:rc --lua-intf=stanzo_bridge "
    "--rc-host=127.0.0.1:2324 --no-video-title-show";
constexpr char kPlayPicture[] = " --image-duration=-1 ";

}  // namespace

std::string BlackPicturePath(const std::string& dataHome) {
  return dataHome + "/stanzo/stanzo_black.png";
}

std::string DefaultLaunchCommand(const std::string& dataHome) {
  if (dataHome.empty()) return kDefaultLaunchCommand;
  return kDefaultLaunchCommand + std::string(kPlayPicture) + QuoteWord(BlackPicturePath(dataHome));
}

std::string DefaultLaunchCommand() {
  // As vlc/install.sh finds it.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg != '\0') return DefaultLaunchCommand(xdg);
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0')
    return DefaultLaunchCommand(std::string(home) + "/.local/share");
  return DefaultLaunchCommand(std::string());
}

}  // namespace stanzo
