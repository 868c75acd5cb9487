#include "extras/launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "extras/cameras.h"
#include "extras/dos.h"
#include "platform/fake_env.h"

namespace stanzo {
namespace {

#ifndef _WIN32  // the Linux default; the Windows one is tested below
TEST(LauncherTest, DefaultCommandSplitsIntoAnAbsoluteProgram) {
  const auto words = SplitCommandLine(DefaultLaunchCommand(platform::Env::Default()));
  ASSERT_TRUE(words.has_value());
  ASSERT_GE(words->size(), 2u);
  EXPECT_EQ(words->front().front(), '/');
  for (const auto& w : *words) EXPECT_EQ(w.find('"'), std::string::npos) << w;
}
#endif

TEST(LauncherTest, DefaultCommandPlaysTheInstalledBlackPicture) {
  struct {
    const char* dataHome;
    const char* lastWord;
  } cases[] = {
      {"/home/op/.local/share", "/home/op/.local/share/stanzo/stanzo_black.png"},
      {"/home/my op/data", "/home/my op/data/stanzo/stanzo_black.png"},
      {"", "--no-video-title-show"},  // no home: nothing to play
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dataHome);
    const auto words = SplitCommandLine(DefaultLaunchCommand(c.dataHome));
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(words->back(), c.lastWord);
  }
}

TEST(LauncherTest, WindowsCommandStartsTheInstalledVlcOnTheShippedPicture) {
  EXPECT_EQ(WindowsLaunchCommand("C:\\Users\\op\\Stanzo 2\\"),
            "\"C:\\Program Files\\VideoLAN\\VLC\\vlc.exe\" --intf=qt,dummy "
            "--extraintf=luaintf:cli --lua-intf=stanzo_bridge --cli-host=127.0.0.1:2324 "
            "--no-video-title-show --image-duration=-1 "
            "\"C:\\Users\\op\\Stanzo 2\\vlc\\stanzo_black.png\"");
  EXPECT_EQ(WindowsLaunchCommand("").find("--image-duration"), std::string::npos);
}

// "rc" is VLC's older C interface on Windows; the Lua CLI answers to "cli"
// on every system, and reads --cli-host.
TEST(LauncherTest, BothDefaultsNameVlcsCliAsEverySystemKnowsIt) {
  for (const std::string& command :
       {DefaultLaunchCommand("/home/op/.local/share"), WindowsLaunchCommand("C:\\S\\")}) {
    SCOPED_TRACE(command);
    const auto words = SplitCommandLine(command);
    ASSERT_TRUE(words.has_value());
    std::vector<std::string> interfaces;
    for (const auto& w : *words) {
      EXPECT_NE(w.rfind("--rc-", 0), 0u) << w;
      if (w.rfind("--extraintf=", 0) == 0) interfaces.push_back(w);
    }
    EXPECT_EQ(interfaces, std::vector<std::string>{"--extraintf=luaintf:cli"});
    EXPECT_NE(command.find(" --cli-host=127.0.0.1:2324 "), std::string::npos);
  }
}

TEST(LauncherTest, BridgeIsCopiedOnlyOverAMissingOrOlderOne) {
  const std::string v2 = "-- x\nlocal BRIDGE_VERSION = 2\nbody";
  struct {
    const char* name;
    std::optional<std::string> installed;
    bool copy;
  } cases[] = {
      {"missing", std::nullopt, true},
      {"same", v2, false},
      {"unnumbered", "old body", true},
      {"older", "\r\nlocal BRIDGE_VERSION = 1\r\n", true},
      {"same number, edited", v2 + " edited", true},
      {"newer", "\nlocal BRIDGE_VERSION = 10\n", false},
  };
  EXPECT_EQ(BridgeVersion(v2), 2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BridgeNeedsCopy(v2, c.installed), c.copy);
  }
}

TEST(LauncherTest, InstallBridgeMakesTheFolderAndKeepsTheOldCopyOnFailure) {
  const std::string shipped = "S/vlc/stanzo_bridge.lua";
  const std::string dir = "A/vlc/lua/intf/";
  const std::string target = dir + "stanzo_bridge.lua";
  const std::string v3 = "\nlocal BRIDGE_VERSION = 3\n";
  const std::string v2 = "\nlocal BRIDGE_VERSION = 2\n";
  struct {
    const char* name;
    bool ship, haveOld, failDirs, failReplace;
    BridgeInstall want;
    std::string after;  // the installed copy afterwards; "" for none
  } cases[] = {
      {"nothing shipped", false, false, false, false, BridgeInstall::NotShipped, ""},
      {"first time", true, false, false, false, BridgeInstall::Installed, v3},
      {"older there", true, true, false, false, BridgeInstall::Installed, v3},
      {"no folder", true, false, true, false, BridgeInstall::Failed, ""},
      {"write fails", true, true, false, true, BridgeInstall::Failed, v2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::FakeFiles files;
    if (c.ship) files.files[shipped] = v3;
    if (c.haveOld) files.files[target] = v2;
    files.failMakeDirs = c.failDirs;
    files.failWriteAt = c.failReplace ? 1 : 0;
    EXPECT_EQ(InstallBridge(files, shipped, dir), c.want);
    EXPECT_EQ(files.files.count(target) ? files.files[target] : "", c.after);
    if (c.want == BridgeInstall::Installed) {
      EXPECT_EQ(files.dirs.count(dir), 1u);
    }
  }
  // Up to date: nothing is written.
  testing::FakeFiles files;
  files.files[shipped] = files.files[target] = v3;
  EXPECT_EQ(InstallBridge(files, shipped, dir), BridgeInstall::UpToDate);
  EXPECT_EQ(files.replaces, 0);
}

TEST(LauncherTest, UserCopyIsNeededOnlyWhereVlcWouldNotFindTheNewest) {
  const std::string v1 = "\nlocal BRIDGE_VERSION = 1\n", v2 = "\nlocal BRIDGE_VERSION = 2\n";
  const std::optional<std::string> none;
  struct {
    const char* name;
    std::optional<std::string> shipped, system, user, want;
  } cases[] = {
      {"nothing anywhere", none, none, none, none},
      {"zip, first Execute", v2, none, none, v2},
      {"zip, up to date", v2, none, v2, none},
      {"package, no user copy", none, v2, none, none},
      {"package, an older user copy hides it", none, v2, v1, v2},
      {"package, a newer user copy stays", none, v1, v2, none},
      {"build tree newer than the package", v2, v1, none, v2},
      {"package newer than the build tree", v1, v2, none, none},
      {"same version, edited build tree", v2 + "x", v2, none, v2 + "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BridgeToInstall(c.shipped, c.system, c.user), c.want);
  }
}

TEST(LauncherTest, BlackPictureIsTheUsersElseTheShippedElseThePackages) {
  struct {
    const char* name;
    std::vector<std::string> there;
    const char* want;
  } cases[] = {
      {"install.sh ran",
       {"/h/stanzo/stanzo_black.png", "/usr/bin/vlc/stanzo_black.png"},
       "/h/stanzo/stanzo_black.png"},
      {"beside the program", {"/usr/bin/vlc/stanzo_black.png"}, "/usr/bin/vlc/stanzo_black.png"},
      {"package", {"/usr/share/stanzo/stanzo_black.png"}, "/usr/share/stanzo/stanzo_black.png"},
      {"none", {}, "/h/stanzo/stanzo_black.png"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto exists = [&](const std::string& p) {
      return std::find(c.there.begin(), c.there.end(), p) != c.there.end();
    };
    EXPECT_EQ(ChooseBlackPicture("/h", "/usr/bin/", exists), c.want);
  }
}

TEST(LauncherTest, HistoryKeepsTheTenNewestAcrossRuns) {
  VectorItemList history;
  history.items = {DefaultLaunchCommand(platform::Env::Default())};
  history.Select(0);

  // Running the default as it stands changes nothing.
  RecordLaunch(history, DefaultLaunchCommand(platform::Env::Default()));
  EXPECT_EQ(history.items,
            std::vector<std::string>{DefaultLaunchCommand(platform::Env::Default())});

  for (int i = 1; i <= 12; ++i) RecordLaunch(history, "player " + std::to_string(i));
  EXPECT_EQ(history.Count(), 13);
  EXPECT_EQ(history.selected, 0);

  // Running the newest again leaves the list as it is.
  const std::vector<std::string> before = history.items;
  RecordLaunch(history, "player 12");
  EXPECT_EQ(history.items, before);

  TrimTo(history, kLaunchHistoryKept);
  std::vector<std::string> want;
  for (int i = 12; i >= 3; --i) want.push_back("player " + std::to_string(i));
  EXPECT_EQ(history.items, want);
}

TEST(LauncherTest, HistoryHoldsAtMostOneHundredAndOneDuringARun) {
  VectorItemList history;
  for (int i = 0; i < 150; ++i) RecordLaunch(history, "cmd " + std::to_string(i));
  EXPECT_EQ(history.Count(), kLaunchHistoryCap + 1);
  EXPECT_EQ(history.Item(0), "cmd 149");
  EXPECT_EQ(history.Item(kLaunchHistoryCap), "cmd 49");
}

// Where Windows and POSIX differ, the system's family decides at run time:
// the default player command, the settings editor, how a working directory
// completes a command line, and whether the bridge is copied for VLC.
TEST(SystemFamilyTest, ChoosesTheRulesOfItsSystem) {
  using Family = platform::System::Family;
  const std::string bridge = "local BRIDGE_VERSION = 2\n";
  const struct {
    Family family;
    std::string exePath, launch, editor, started;
    BridgeInstall install;
  } cases[] = {
      {Family::kPosix, "/opt/stanzo/stanzo", DefaultLaunchCommand("/home/op/.local/share"),
       "my-editor /show/stanzo.ini", "/opt/stanzo/tools/run x", BridgeInstall::NotShipped},
      {Family::kWindows, "C:/S/stanzo.exe", WindowsLaunchCommand("C:/S/"),
       "NOTEPAD /show/stanzo.ini", "C:/S/tools\\run x", BridgeInstall::Installed},
  };
  for (const auto& c : cases) {
    testing::FakeEnv fake;
    fake.system.family = c.family;
    fake.system.executablePath = c.exePath;
    fake.system.variables["VISUAL"] = "my-editor";
    fake.files.files["C:/S/vlc\\stanzo_bridge.lua"] = bridge;
    EXPECT_EQ(DefaultLaunchCommand(fake.env), c.launch);
    EXPECT_EQ(ChooseEditor("/show/stanzo.ini", fake.env).commandLine, c.editor);
    uint32_t code = 0;
    EXPECT_TRUE(DosRunner(fake.env).Run("run x", "tools", false, code));
    EXPECT_EQ(fake.processes.started, std::vector<std::string>{c.started});
    fake.system.userDataDir = "C:/Users/op/AppData/Roaming";
    EXPECT_EQ(InstallBridgeForVlc(fake.env, "C:/S/"), c.install);
    if (c.install == BridgeInstall::Installed) {
      EXPECT_EQ(fake.files.files["C:/Users/op/AppData/Roaming\\vlc\\lua\\intf\\stanzo_bridge.lua"],
                bridge);
    }
  }
}

}  // namespace
}  // namespace stanzo
