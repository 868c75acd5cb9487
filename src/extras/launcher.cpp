#include "extras/launcher.h"

#include "base/command_line.h"
#include "extras/dos.h"

namespace stanzo {

namespace {

// VLC 3 with the console's bridge interface (vlc/intf) listening on every
// address at port 2323 and owning the three marquee overlays m1, m2, m3,
// plus VLC's own command line interface on a private loopback port, to
// which the bridge passes every command that is not for an overlay.
// VLC 3 has no "--rc-quiet" on Linux, no "@name" commands in its CLI and
// no named "marq@m1" sources, hence the bridge. VLC refuses to run as root.
//
// "cli" and --cli-host name VLC's Lua command line on every system; on
// Windows "rc" is VLC's older C interface instead. The CLI must keep its
// host: without one it reads standard input, which the process runner
// closes, and that shuts VLC down.
// --intf=qt,dummy: without a graphical interface installed, VLC's default
// main interface is its CLI, which then opens a second time on the same
// host and fails ("Cannot listen on 127.0.0.1:2324"); the dummy interface
// stands in for the missing GUI instead.
// --no-video-title-show: VLC's file-name caption would cover m2 for
// seconds after each new video.
// The black picture (--image-duration=-1: shown until stopped) gives the
// overlays a video output when there is nothing else to play.
constexpr char kVlcArguments[] =
    " --intf=qt,dummy --extraintf=luaintf:cli --lua-intf=stanzo_bridge "
    "--cli-host=127.0.0.1:2324 --no-video-title-show";
constexpr char kPlayPicture[] = " --image-duration=-1 ";

// Debian's VLC; VLC's own installer's path on Windows, quoted for its
// blank (the Windows command line splits at blanks outside quotes).
constexpr char kLinuxVlc[] = "/usr/bin/vlc";
constexpr char kWindowsVlc[] = "\"C:\\Program Files\\VideoLAN\\VLC\\vlc.exe\"";

// Beside stanzo.exe, as scripts/build-windows.sh packs them.
constexpr char kShippedFolder[] = "vlc\\";
constexpr char kBlackPicture[] = "stanzo_black.png";

constexpr std::string_view kVersionMark = "\nlocal BRIDGE_VERSION = ";

}  // namespace

std::string BlackPicturePath(const std::string& dataHome) {
  return dataHome + "/stanzo/" + kBlackPicture;
}

std::string ChooseBlackPicture(const std::string& dataHome, const std::string& exeDir,
                               const std::function<bool(const std::string&)>& exists) {
  const std::string user = dataHome.empty() ? std::string() : BlackPicturePath(dataHome);
  if (exeDir.empty()) return user;
  // The package's prefix: the folder above the program's "bin".
  const size_t up = exeDir.find_last_of('/', exeDir.size() - 2);
  const std::string prefix = up == std::string::npos ? std::string() : exeDir.substr(0, up + 1);
  for (const std::string& path :
       {user, exeDir + "vlc/" + kBlackPicture,
        prefix.empty() ? std::string() : prefix + "share/stanzo/" + kBlackPicture}) {
    if (!path.empty() && exists(path)) return path;
  }
  return user;
}

std::string LinuxLaunchCommand(const std::string& picture) {
  const std::string command = std::string(kLinuxVlc) + kVlcArguments;
  if (picture.empty()) return command;
  return command + kPlayPicture + QuoteWord(picture);
}

std::string DefaultLaunchCommand(const std::string& dataHome) {
  return LinuxLaunchCommand(dataHome.empty() ? std::string() : BlackPicturePath(dataHome));
}

std::string WindowsLaunchCommand(const std::string& appDir) {
  const std::string command = std::string(kWindowsVlc) + kVlcArguments;
  if (appDir.empty()) return command;
  // No Windows file name holds a double quote, and the path does not end
  // in a backslash that would escape the closing one.
  return command + kPlayPicture + "\"" + appDir + kShippedFolder + kBlackPicture + "\"";
}

std::string DefaultLaunchCommand(const platform::Env& env) {
  if (env.system.Kind() == platform::System::Family::kWindows)
    return WindowsLaunchCommand(ExecutableDir(env.system));
  return LinuxLaunchCommand(ChooseBlackPicture(
      env.system.UserDataDir(), ExecutableDir(env.system), [&env](const std::string& path) {
        std::string bytes;
        return env.files.Read(path, &bytes) == platform::FileResult::Ok;
      }));
}

int BridgeVersion(std::string_view script) {
  const size_t at = script.find(kVersionMark);
  if (at == std::string_view::npos) return 0;
  int version = 0;
  for (size_t i = at + kVersionMark.size(); i < script.size(); ++i) {
    const char c = script[i];
    if (c < '0' || c > '9' || version > 100000000) break;
    version = version * 10 + (c - '0');
  }
  return version;
}

bool BridgeNeedsCopy(std::string_view shipped, const std::optional<std::string>& installed) {
  if (!installed) return true;
  const int have = BridgeVersion(*installed);
  const int ship = BridgeVersion(shipped);
  return have < ship || (have == ship && *installed != shipped);
}

std::optional<std::string> BridgeToInstall(const std::optional<std::string>& shipped,
                                           const std::optional<std::string>& system,
                                           const std::optional<std::string>& user) {
  const std::optional<std::string>& source =
      !shipped || (system && BridgeVersion(*system) > BridgeVersion(*shipped)) ? system : shipped;
  if (!source) return std::nullopt;
  if (!user) {
    // VLC finds the system copy when it is the source or newer.
    if (system && !BridgeNeedsCopy(*source, *system)) return std::nullopt;
    return source;
  }
  return BridgeNeedsCopy(*source, user) ? source : std::nullopt;
}

namespace {

// A file's bytes; nullopt when missing, unreadable or empty.
std::optional<std::string> ReadCopy(platform::Files& files, const std::string& path) {
  std::string bytes;
  if (path.empty() || files.Read(path, &bytes) != platform::FileResult::Ok || bytes.empty())
    return std::nullopt;
  return bytes;
}

}  // namespace

BridgeInstall InstallBridge(platform::Files& files, const std::string& shippedPath,
                            const std::string& installDir, const std::string& systemPath) {
  const std::optional<std::string> shipped = ReadCopy(files, shippedPath);
  const std::optional<std::string> system = ReadCopy(files, systemPath);
  if (!shipped && !system) return BridgeInstall::NotShipped;
  const std::string target = installDir + kBridgeFileName;
  std::string bytes;
  std::optional<std::string> installed;
  // An unreadable copy counts as missing: replacing it is the best chance.
  if (files.Read(target, &bytes) == platform::FileResult::Ok) installed = std::move(bytes);
  const std::optional<std::string> copy = BridgeToInstall(shipped, system, installed);
  if (!copy) return BridgeInstall::UpToDate;
  if (!files.MakeDirs(installDir)) return BridgeInstall::Failed;
  return files.Replace(target, *copy) == platform::FileResult::Ok ? BridgeInstall::Installed
                                                                  : BridgeInstall::Failed;
}

BridgeInstall InstallBridgeForVlc(const platform::Env& env, const std::string& exeDir) {
  const std::string dataHome = env.system.UserDataDir();
  if (exeDir.empty() || dataHome.empty()) return BridgeInstall::NotShipped;
  const char sep = env.system.Kind() == platform::System::Family::kWindows ? '\\' : '/';
  const std::string system = env.system.SystemVlcLuaIntfDir();
  return InstallBridge(env.files, exeDir + "vlc" + sep + kBridgeFileName,
                       dataHome + sep + "vlc" + sep + "lua" + sep + "intf" + sep,
                       system.empty() ? std::string() : system + kBridgeFileName);
}

}  // namespace stanzo
