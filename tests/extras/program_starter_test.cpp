#include "extras/program_starter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/fake_env.h"

namespace stanzo {
namespace {

using testing::FakeProcesses;
using testing::ManualClock;
using Fate = FakeProcesses::Fate;
using Lines = std::vector<std::string>;

TEST(ProgramStarterTest, ExecuteLogsStartsThatFailAndEarlyFailures) {
  const std::string cmd = "/usr/bin/vlc --x";
  struct {
    const char* name;
    Fate fate;
    int64_t endAfterMs;  // < 0: never ends by itself (with Fate default)
    uint32_t code;
    Lines want;
  } cases[] = {
      {"cannot start",
       {"No such file or directory"},
       -1,
       0,
       {"Not started (No such file or directory): " + cmd}},
      {"ends at once, failing", {"", true, 1}, -1, 0, {"Ended with exit code 1: " + cmd}},
      {"ends at once, fine", {"", true, 0}, -1, 0, {}},
      {"fails within the watch",
       {},
       ProgramStarter::kEarlyExitMs - 100,
       2,
       {"Ended with exit code 2: " + cmd}},
      {"fails later: not ours to tell", {}, ProgramStarter::kEarlyExitMs + 80, 2, {}},
      {"keeps running", {}, -1, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcesses processes;
    ManualClock clock;
    Lines log;
    {
      ProgramStarter starter([&](const std::string& t) { log.push_back(t); },
                             testing::EnvWith(processes, clock));
      processes.Set(cmd, c.fate);
      const int64_t t0 = clock.NowMs();
      starter.Execute(cmd);
      EXPECT_EQ(clock.NowMs(), t0);  // never waits
      EXPECT_EQ(processes.polls, 0);
      for (int64_t t = 0; t <= ProgramStarter::kEarlyExitMs + 1000; t += 80) {
        if (c.endAfterMs >= 0 && t == (c.endAfterMs / 80) * 80) processes.Finish(cmd, c.code);
        starter.Tick();
        clock.Advance(80);
      }
      EXPECT_EQ(log, c.want);
      EXPECT_EQ(processes.Unreleased(), 0u);  // watched no longer than needed
    }
    EXPECT_EQ(processes.doubleReleases, 0);
    EXPECT_EQ(processes.started, Lines{cmd});
  }
}

TEST(ProgramStarterTest, ExecuteLogsThePlayersFirstErrorLineOnce) {
  const std::string cmd = "/usr/bin/vlc --x";
  const std::string bridgeMissing =
      "[000055e0] [stanzo_bridge] lua interface error: Couldn't find lua interface script "
      "\"stanzo_bridge\".";
  struct {
    const char* name;
    std::string atStart, later;
    bool endsFailing;
    Lines want;
  } cases[] = {
      {"bridge missing, VLC runs on",
       "[0000a1] dbus interface error: Failed to connect to the D-Bus session daemon\n"
       "[0000a1] main interface error: no suitable interface module\n" +
           bridgeMissing + "\n",
       "[0000a1] main libvlc error: interface \"luaintf,none\" initialization failed\n",
       false,
       {"vlc: [stanzo_bridge] lua interface error: Couldn't find lua interface script "
        "\"stanzo_bridge\"."}},
      {"a line split across reads",
       "[00ff] [cli] main interface er",
       "ror: socket bind error\r\n",
       false,
       {"vlc: [cli] main interface error: socket bind error"}},
      {"another error, VLC runs on",
       "[0a] vlcpulse audio output error: no server\n",
       "",
       false,
       {}},
      {"another error, VLC ends",
       "[0a] vlcpulse audio output error: no server\n",
       "Try again\n",
       true,
       {"Ended with exit code 1: " + cmd, "vlc: vlcpulse audio output error: no server"}},
      {"as root: no error line, the first line tells",
       "VLC is not supposed to be run as root. Sorry.\nIf you need...\n",
       "",
       true,
       {"Ended with exit code 1: " + cmd, "vlc: VLC is not supposed to be run as root. Sorry."}},
      {"a last line without its end",
       "",
       "vlc: unknown option `--rc-quiet'",
       true,
       {"Ended with exit code 1: " + cmd, "vlc: unknown option `--rc-quiet'"}},
      {"only harmless noise", "error: XDG_RUNTIME_DIR is invalid\n", "", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcesses processes;
    ManualClock clock;
    Lines log;
    ProgramStarter starter([&](const std::string& t) { log.push_back(t); },
                           testing::EnvWith(processes, clock));
    processes.SetErrors(cmd, c.atStart);
    starter.Execute(cmd);
    starter.Tick();
    // A failing program's last line may come after its end is known.
    if (c.endsFailing) processes.Finish(cmd, 1);
    starter.Tick();
    processes.WriteError(cmd, c.later);
    for (int i = 0; i < 3; ++i) starter.Tick();
    clock.Advance(ProgramStarter::kEarlyExitMs);
    starter.Tick();
    processes.WriteError(cmd, bridgeMissing + "\n");  // after the first seconds: not read
    starter.Tick();
    EXPECT_EQ(log, c.want);
  }
}

TEST(ProgramStarterTest, ARecentExecuteIsToldOnceWithinTheMinute) {
  FakeProcesses processes;
  ManualClock clock;
  ProgramStarter starter([](const std::string&) {}, testing::EnvWith(processes, clock));
  EXPECT_FALSE(starter.RecentExecute());  // nothing executed
  starter.Execute("vlc");
  clock.Advance(ProgramStarter::kConnectHintMs - 1);
  EXPECT_TRUE(starter.RecentExecute());
  EXPECT_FALSE(starter.RecentExecute());  // once per Execute
  starter.Execute("vlc");
  clock.Advance(ProgramStarter::kConnectHintMs);
  EXPECT_FALSE(starter.RecentExecute());  // too long ago
  processes.Set("vlcx", {"No such file or directory"});
  starter.Execute("vlcx");
  EXPECT_FALSE(starter.RecentExecute());  // nothing started
}

TEST(ProgramStarterTest, EditFileReloadsWhenTheEditIsOver) {
  const std::string path = "/opt/S.ini";
  struct {
    const char* name;
    EditorCommand editor;
    Fate fate;
    Lines wantLog;
  } cases[] = {
      {"waited editor", {"gedit --wait /opt/S.ini", true}, {"", true, 0}, {}},
      {"editor missing",
       {"gedit --wait /opt/S.ini", true},
       {"No such file or directory"},
       {"Not started (No such file or directory): gedit --wait /opt/S.ini"}},
      {"terminal editor without a terminal",
       {"vim /opt/S.ini", true},
       {"", true, 1},
       {"Ended with exit code 1: vim /opt/S.ini"}},
      {"opener that fails",
       {"xdg-open /opt/S.ini", false},
       {"", true, 3},
       {"Ended with exit code 3: xdg-open /opt/S.ini"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProcesses processes;
    ManualClock clock;
    Lines log;
    ProgramStarter starter([&](const std::string& t) { log.push_back(t); },
                           testing::EnvWith(processes, clock),
                           [](const std::string&) { return std::string("a"); });
    processes.Set(c.editor.commandLine, c.fate);
    int reloads = 0;
    starter.EditFile(path, c.editor, {}, [&] { ++reloads; });
    EXPECT_EQ(reloads, 1);
    EXPECT_EQ(log, c.wantLog);
    EXPECT_FALSE(starter.FollowingEdit());
    EXPECT_EQ(processes.Unreleased(), 0u);
  }
}

TEST(ProgramStarterTest, AnEditThatCannotBeWaitedForIsFollowedUntilTheOperatorReturns) {
  FakeProcesses processes;
  ManualClock clock;
  std::string file = "Cam0Title=A\n";
  ProgramStarter starter([](const std::string&) {}, testing::EnvWith(processes, clock),
                         [&](const std::string& p) { return p == "/opt/S.ini" ? file : ""; });
  const EditorCommand opener{"xdg-open /opt/S.ini", false};
  processes.Set(opener.commandLine, {"", true, 0});
  int reloads = 0;
  int pumps = 0;
  starter.EditFile(
      "/opt/S.ini", opener, [&] { ++pumps; }, [&] { ++reloads; });
  EXPECT_GE(pumps, 1);  // the opener itself is waited for
  EXPECT_EQ(reloads, 0);
  EXPECT_TRUE(starter.FollowingEdit());

  auto tick = [&](int64_t ms) {
    for (int64_t t = 0; t < ms; t += 80) {
      clock.Advance(80);
      starter.Tick();
    }
  };
  tick(2000);
  EXPECT_EQ(reloads, 0);  // unchanged: nothing to read again
  file = "Cam0Title=Stage\n";
  tick(ProgramStarter::kFileCheckMs + 80);
  EXPECT_EQ(reloads, 1);  // each save shows at once
  file = "Cam0Title=Stage 2\n";
  tick(ProgramStarter::kFileCheckMs + 80);
  EXPECT_EQ(reloads, 2);
  starter.Activated();  // the operator is back: a last read, and the edit ends
  EXPECT_EQ(reloads, 3);
  EXPECT_FALSE(starter.FollowingEdit());
  file = "Cam0Title=later\n";
  tick(2000);
  starter.Activated();
  EXPECT_EQ(reloads, 3);
}

}  // namespace
}  // namespace stanzo
