#include "extras/dos.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/env.h"
#include "text/temp_files.h"

namespace stanzo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using files_test::GetFile;
using files_test::PutFile;
using files_test::TempDir;
using std::chrono::milliseconds;

// The runner over the system's services, as the console's is.
bool RunDosCommand(const std::string& commandLine, const std::string& workingDir, bool wait,
                   uint32_t& exitCode, const std::function<void()>& pumpEvents = {},
                   std::string* error = nullptr) {
  return DosRunner(platform::Env::Default())
      .Run(commandLine, workingDir, wait, exitCode, pumpEvents, error);
}

// --- Working-directory completion ---------------------------------------

struct CompleteCase {
  const char* name;
  const char* workingDir;
  const char* commandLine;
  const char* wantCommand;
  const char* wantDir;
};

TEST(CompleteWorkingDirTest, Table) {
  const CompleteCase cases[] = {
      {"relative dir under exe dir", "tools", "run.sh x", "/opt/apps/tools/run.sh x",
       "/opt/apps/tools/"},
      {"absolute dir gains only the slash", "/work", "run.sh", "/work/run.sh", "/work/"},
      {"absolute command unchanged", "/work", "/bin/run.sh x", "/bin/run.sh x", "/work/"},
      {"final slash kept", "/work/", "/bin/run.sh", "/bin/run.sh", "/work/"},
      {"relative dir with final slash", "tools/", "/bin/x", "/bin/x", "/opt/apps/tools/"},
      {"empty dir: nothing changes", "", "gedit --wait /opt/apps/x.ini",
       "gedit --wait /opt/apps/x.ini", ""},
      {"empty dir, relative command", "", "run.sh x", "run.sh x", ""},
      {"double-quoted command is prefixed", "/work", "\"my prog\" x", "/work/\"my prog\" x",
       "/work/"},
      {"dir with blanks is quoted in the command", "/my shows", "run.sh", "'/my shows/'run.sh",
       "/my shows/"},
      {"relative dir with blanks", "my tools", "run.sh", "'/opt/apps/my tools/'run.sh",
       "/opt/apps/my tools/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CompletedCommand got = CompleteWorkingDir("/opt/apps/", c.workingDir, c.commandLine);
    EXPECT_EQ(got.commandLine, c.wantCommand);
    EXPECT_EQ(got.workingDir, c.wantDir);
  }
}

TEST(CompleteWorkingDirTest, PrefixedCommandSplitsToPathUnderDir) {
  struct {
    const char* dir;
    const char* command;
    std::vector<std::string> words;
  } cases[] = {
      {"/my shows", "run.sh 'a b'", {"/my shows/run.sh", "a b"}},
      {"/work", "\"my prog\" x", {"/work/my prog", "x"}},
      {"it's", "run", {"/opt/apps/it's/run"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const auto words =
        SplitCommandLine(CompleteWorkingDir("/opt/apps/", c.dir, c.command).commandLine);
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(*words, c.words);
  }
}

// --- Word splitting and quoting -----------------------------------------

TEST(SplitCommandLineTest, Table) {
  using Words = std::vector<std::string>;
  struct {
    const char* line;
    std::optional<Words> want;
  } cases[] = {
      {"vlc --extraintf=\"rc\" --rc-host=\"0.0.0.0:2323\"",
       Words{"vlc", "--extraintf=rc", "--rc-host=0.0.0.0:2323"}},
      {"  a \t b\nc  ", Words{"a", "b", "c"}},
      {"'a b' \"c d\"", Words{"a b", "c d"}},
      {"'a\\b\"c $X'", Words{"a\\b\"c $X"}},
      {"\"a\\\"b\\\\c\\$d\\`e\\x\"", Words{"a\"b\\c$d`e\\x"}},
      {"a\\ b \\'c\\\"", Words{"a b", "'c\""}},
      {"a\\\nb", Words{"ab"}},
      {"\"a\\\nb\"", Words{"ab"}},
      {"a\"b c\"d'e f'", Words{"ab cde f"}},
      {"''", Words{""}},
      {"a '' \"\" b", Words{"a", "", "", "b"}},
      {"$HOME *.txt ~/x `id` $(id)", Words{"$HOME", "*.txt", "~/x", "`id`", "$(id)"}},
      {"a;b|c>d &", Words{"a;b|c>d", "&"}},
      {"trailing\\", Words{"trailing\\"}},
      {"'unclosed", std::nullopt},
      {"\"unclosed", std::nullopt},
      {"\"escaped close\\\"", std::nullopt},
      {"ok 'then unclosed", std::nullopt},
      {"", std::nullopt},
      {" \t\n ", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLine(c.line), c.want);
  }
}

TEST(QuoteWordTest, SplitGivesTheWordBack) {
  const std::string words[] = {"plain",
                               "/usr/bin/vlc",
                               "--a=b:c,d@e%f+g",
                               "",
                               "a b",
                               "it's",
                               "''",
                               "\"",
                               "back\\slash",
                               "$HOME",
                               "*",
                               "~",
                               "tab\there",
                               "new\nline",
                               "a'b\"c\\d $e`f",
                               "\xc3\xa9t\xc3\xa9"};
  for (const auto& w : words) {
    SCOPED_TRACE(w);
    const auto alone = SplitCommandLine(QuoteWord(w));
    ASSERT_TRUE(alone.has_value());
    EXPECT_EQ(*alone, std::vector<std::string>{w});
    const auto inLine = SplitCommandLine("prog " + QuoteWord(w) + " next");
    ASSERT_TRUE(inLine.has_value());
    EXPECT_EQ(*inLine, (std::vector<std::string>{"prog", w, "next"}));
  }
  EXPECT_EQ(QuoteWord("/opt/apps/Stanzo.ini"), "/opt/apps/Stanzo.ini");  // no needless quotes
}

TEST(ProgramSearchPathsTest, FollowsPath) {
  const char* saved = std::getenv("PATH");
  const std::string savedPath = saved != nullptr ? saved : "";
  using Paths = std::vector<std::string>;
  struct {
    const char* path;  // nullptr: PATH unset
    const char* program;
    Paths want;
  } cases[] = {
      {"/a:/b", "vlc", Paths{"/a/vlc", "/b/vlc"}},
      {":/a::", "vlc", Paths{"vlc", "/a/vlc", "vlc", "vlc"}},  // empty entries: here
      {"/a", "./vlc", Paths{"./vlc"}},
      {"/a", "/usr/bin/vlc", Paths{"/usr/bin/vlc"}},
      {"/a", "", Paths{}},
      {nullptr, "vlc", Paths{"/bin/vlc", "/usr/bin/vlc"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path != nullptr ? c.path : "(unset)");
    if (c.path != nullptr) {
      setenv("PATH", c.path, 1);
    } else {
      unsetenv("PATH");
    }
    EXPECT_EQ(ProgramSearchPaths(c.program), c.want);
  }
  if (saved != nullptr) {
    setenv("PATH", savedPath.c_str(), 1);
  } else {
    unsetenv("PATH");
  }
}

TEST(ExecutableDirTest, IsThisProgramsDirectory) {
  const std::string dir = ExecutableDir(platform::Env::Default().system);
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(fs::canonical(dir + "extras_test"), fs::canonical("/proc/self/exe"));
}

// --- Starting programs -----------------------------------------------------

// Waits (deadline 10 s) until `path` holds a complete line.
std::string WaitForLine(const std::string& path) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    const std::string text = GetFile(path);
    if (!text.empty() && text.back() == '\n') return text;
    std::this_thread::sleep_for(milliseconds(10));
  }
  return std::string();
}

// Runs a shell snippet as a waited program and returns what it wrote to
// the file named by its first argument.
std::string RunSnippet(const TempDir& dir, const std::string& snippet) {
  const std::string out = dir / "out.txt";
  uint32_t code = 99;
  EXPECT_TRUE(
      RunDosCommand("sh -c " + QuoteWord(snippet) + " snippet " + QuoteWord(out), "", true, code));
  EXPECT_EQ(code, 0u);
  return GetFile(out);
}

TEST(RunDosCommandTest, WithoutWaitReturnsAtOnceWithZeroCode) {
  TempDir dir;
  uint32_t code = 99;
  int pumps = 0;
  // The program runs for seconds (away from the test runner's output);
  // the call must not wait for it.
  const auto start = Clock::now();
  EXPECT_TRUE(RunDosCommand("sh -c 'exec >/dev/null 2>&1; sleep 3; exit 7'", "", false, code,
                            [&] { ++pumps; }));
  EXPECT_LT(Clock::now() - start, milliseconds(2500));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(pumps, 0);
}

TEST(RunDosCommandTest, WaitReturnsExitStatusAfterPumping) {
  struct {
    const char* command;
    uint32_t code;
  } cases[] = {
      {"sh -c \"exit 7\"", 7},          {"sh -c 'exit 0'", 0},
      {"sh -c 'exit 255'", 255},        {"sh -c 'kill -TERM $$'", 128 + SIGTERM},
      {"sh -c 'sleep 0.3; exit 4'", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    uint32_t code = 99;
    int pumps = 0;
    const auto start = Clock::now();
    EXPECT_TRUE(RunDosCommand(c.command, "", true, code, [&] { ++pumps; }));
    EXPECT_GE(Clock::now() - start, milliseconds(100));
    EXPECT_EQ(code, c.code);
    EXPECT_GE(pumps, 1);
  }
}

TEST(RunDosCommandTest, FailedStartReturnsFalseWithoutWaiting) {
  TempDir dir;
  const std::string plainFile = dir / "not-executable";
  PutFile(plainFile, "#!/bin/sh\nexit 0\n");
  const std::string noInterpreter = dir / "no-interpreter";
  PutFile(noInterpreter, "exit 0\n");
  chmod(noInterpreter.c_str(), 0755);
  struct {
    const char* name;
    std::string command;
    std::string workingDir;
  } cases[] = {
      {"no such program", "stanzo-no-such-program-here --x", ""},
      {"no such path", "/nonexistent/stanzo/prog", ""},
      {"missing working dir", "/bin/true", "/nonexistent/stanzo-dir"},
      {"working dir is a file", "/bin/true", plainFile},
      {"not executable", plainFile, ""},
      {"no interpreter line: no shell fallback", noInterpreter, ""},
      {"a directory", "/tmp", ""},
      {"empty line", "", ""},
      {"blank line", "   ", ""},
      {"unclosed quote", "sh -c 'exit 0", ""},
      {"empty program word", "'' x", ""},
  };
  for (bool wait : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (wait ? " (wait)" : " (no wait)"));
      uint32_t code = 99;
      int pumps = 0;
      EXPECT_FALSE(RunDosCommand(c.command, c.workingDir, wait, code, [&] { ++pumps; }));
      EXPECT_EQ(code, 0u);
      EXPECT_EQ(pumps, 0);
    }
  }
}

TEST(RunDosCommandTest, RunsInTheWorkingDirectory) {
  TempDir base;
  for (const char* sub : {"plain", "with blank"}) {
    SCOPED_TRACE(sub);
    const std::string dir = base / sub;
    fs::create_directory(dir);
    const std::string tool = dir + "/tool.sh";
    PutFile(tool, "#!/bin/sh\npwd > \"$1\"\n");
    chmod(tool.c_str(), 0755);
    uint32_t code = 99;
    // A relative program is taken from the working directory, and the
    // program runs there.
    ASSERT_TRUE(RunDosCommand("tool.sh out.txt", dir, true, code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(GetFile(dir + "/out.txt"), fs::canonical(dir).string() + "\n");
  }
}

TEST(RunDosCommandTest, ChildHasItsOwnSessionAndNullInput) {
  TempDir dir;
  // Give this process a standard input other than /dev/null for the run.
  const std::string input = dir / "console-input";
  const int savedStdin = dup(STDIN_FILENO);
  const int consoleInput = open(input.c_str(), O_RDONLY | O_CREAT, 0600);
  ASSERT_GE(consoleInput, 0);
  ASSERT_EQ(dup2(consoleInput, STDIN_FILENO), STDIN_FILENO);
  close(consoleInput);
  struct RestoreStdin {
    int fd;
    ~RestoreStdin() {
      dup2(fd, STDIN_FILENO);
      close(fd);
    }
  } restore{savedStdin};
  for (bool wait : {true, false}) {
    SCOPED_TRACE(wait ? "wait" : "no wait");
    const std::string out = dir / (wait ? "w.txt" : "n.txt");
    const std::string snippet =
        "read -r _ _ _ _ _ sid _ < /proc/$$/stat; echo \"$sid $(readlink /proc/$$/fd/0)\" > \"$1\"";
    uint32_t code = 0;
    ASSERT_TRUE(
        RunDosCommand("sh -c " + QuoteWord(snippet) + " x " + QuoteWord(out), "", wait, code));
    std::istringstream line(WaitForLine(out));
    pid_t sid = 0;
    std::string input;
    line >> sid >> input;
    EXPECT_GT(sid, 0);
    EXPECT_NE(sid, getsid(0));
    EXPECT_EQ(input, "/dev/null");
  }
}

TEST(RunDosCommandTest, NoDescriptorLeaksAndSignalsAreReset) {
  TempDir dir;
  const std::string marker = dir / "leak-marker";
  const int leaked = open(marker.c_str(), O_WRONLY | O_CREAT, 0600);  // no O_CLOEXEC
  ASSERT_GE(leaked, 0);
  struct sigaction ignore = {}, saved = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &saved);

  // exec: the started program reports its own signal state (a shell
  // that waits for a child blocks signals of its own meanwhile).
  const std::string text = RunSnippet(dir,
                                      "ls -l /proc/$$/fd > \"$1\"; "
                                      "exec grep -E '^Sig(Ign|Blk)' /proc/self/status >> \"$1\"");

  sigaction(SIGPIPE, &saved, nullptr);
  close(leaked);
  EXPECT_EQ(text.find("leak-marker"), std::string::npos) << text;
  // SIGPIPE is bit 13 of the ignored mask; nothing may be blocked.
  const size_t ign = text.find("SigIgn:");
  const size_t blk = text.find("SigBlk:");
  ASSERT_NE(ign, std::string::npos) << text;
  ASSERT_NE(blk, std::string::npos) << text;
  const unsigned long long ignored = std::stoull(text.substr(ign + 7), nullptr, 16);
  const unsigned long long blocked = std::stoull(text.substr(blk + 7), nullptr, 16);
  EXPECT_EQ(ignored & (1ULL << (SIGPIPE - 1)), 0u) << text;
  EXPECT_EQ(blocked, 0u) << text;
}

// Children of this process in state Z, from /proc.
std::vector<pid_t> ZombieChildren() {
  std::vector<pid_t> zombies;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return zombies;
  const std::string self = std::to_string(getpid());
  while (dirent* e = readdir(proc)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    const std::string stat = GetFile(std::string("/proc/") + e->d_name + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 1));
    std::string state, ppid;
    rest >> state >> ppid;
    if (ppid == self && state == "Z") zombies.push_back(std::stoi(e->d_name));
  }
  closedir(proc);
  return zombies;
}

TEST(RunDosCommandTest, UnwaitedChildrenLeaveNoZombies) {
  for (int i = 0; i < 50; ++i) {
    uint32_t code = 0;
    ASSERT_TRUE(RunDosCommand("true", "", false, code));
  }
  // The programs end on their own; give them time, then none may linger.
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  std::vector<pid_t> zombies = ZombieChildren();
  while (!zombies.empty() && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(50));
    zombies = ZombieChildren();
  }
  EXPECT_TRUE(zombies.empty()) << zombies.size() << " zombie children";
}

TEST(ProcessesTest, ReportsTheEndWithoutBlockingAndHoldsNothingOfTheConsole) {
  auto& processes = platform::Processes::Default();
  // A pipe whose write end only this process holds: once it is closed
  // here, the read end must see end of file, also while a program runs.
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
  struct {
    const char* command;
    bool ends;
    uint32_t code;
  } cases[] = {
      {"sh -c 'exit 3'", true, 3},
      {"sh -c 'kill -TERM $$'", true, 128 + SIGTERM},
      // Without ctest's output pipe: an unwatched program that keeps it
      // open holds the test run until the program ends.
      {"sh -c 'exec sleep 30 >/dev/null 2>&1'", false, 0},
  };
  std::vector<platform::Processes::Id> ids;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const auto started = processes.Start(c.command, "");
    ASSERT_NE(started.id, 0u) << started.error;
    ids.push_back(started.id);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    platform::Processes::Status status = processes.Poll(started.id);
    while (c.ends && !status.ended && Clock::now() < deadline) {
      std::this_thread::sleep_for(milliseconds(10));
      status = processes.Poll(started.id);
    }
    EXPECT_EQ(status.ended, c.ends);
    EXPECT_EQ(status.exitCode, c.code);
  }
  close(fds[1]);
  char byte;
  EXPECT_EQ(read(fds[0], &byte, 1), 0);  // -1 (EAGAIN) if a helper held the write end
  close(fds[0]);
  const auto before = Clock::now();
  for (const auto id : ids) processes.Release(id);  // the sleep runs on, unwatched
  EXPECT_LT(Clock::now() - before, std::chrono::seconds(2));
  EXPECT_TRUE(ZombieChildren().empty());
  const auto missing = processes.Start("stanzo-no-such-program-here", "");
  EXPECT_EQ(missing.id, 0u);
  EXPECT_EQ(missing.error, "No such file or directory");
}

TEST(ProcessesTest, ReadsTheStandardErrorAndPassesItOnAfterTheRelease) {
  TempDir dir;
  auto& processes = platform::Processes::Default();
  const std::string out = dir / "out.txt";
  const std::string script =
      "echo 'main error: one' >&2; sleep 0.3; echo 'late line' >&2; echo done >\"$0\"";
  const auto started =
      processes.StartReadingErrors("sh -c " + QuoteWord(script) + " " + QuoteWord(out), "");
  ASSERT_NE(started.id, 0u) << started.error;
  std::string errors;
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (errors.find('\n') == std::string::npos && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(10));
    errors += processes.ReadErrors(started.id);
  }
  EXPECT_EQ(errors, "main error: one\n");
  processes.Release(started.id);
  // It writes to its standard error after the release, and lives on.
  EXPECT_EQ(WaitForLine(out), "done\n");
  EXPECT_TRUE(ZombieChildren().empty());
}

TEST(RunDosCommandTest, NestedCallsEachWaitForTheirOwnProgram) {
  uint32_t inner = 99;
  bool innerStarted = false;
  int pumps = 0;
  uint32_t outer = 99;
  ASSERT_TRUE(RunDosCommand("sh -c 'sleep 0.2; exit 5'", "", true, outer, [&] {
    if (pumps++ == 0) innerStarted = RunDosCommand("sh -c 'exit 3'", "", true, inner, [] {});
  }));
  EXPECT_TRUE(innerStarted);
  EXPECT_EQ(inner, 3u);
  EXPECT_EQ(outer, 5u);
}

}  // namespace
}  // namespace stanzo
