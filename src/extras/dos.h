// The process runner: starts another program from one command line,
// through the platform's process service (platform/processes.h), which
// also fixes how the line is read (base/command_line.h on POSIX).
//
// DosRunner::Run returns true when the program was started, false when it
// could not be (no such program, bad working directory, empty or malformed
// command line); it never throws and shows nothing, but tells why through
// `error` when asked. ExitCode is 0 unless Wait is true and the program
// was started: then it is the program's exit code (128 + signal number
// when a signal ended it, on POSIX).
// While waiting it calls `pumpEvents` and sleeps 100 ms on the clock, in
// turn, so the window stays responsive; calls may nest, and each waits
// for its own program only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "platform/env.h"

namespace stanzo {

struct CompletedCommand {
  std::string commandLine;
  std::string workingDir;  // empty: inherit the console's
};

// The working-directory completion rules of POSIX, "/" in the role of the
// directory separator: a non-empty working directory gains a final "/";
// a relative one (not starting with "/") is put under `exeDir`; a relative
// command line is then put under the completed working directory.
CompletedCommand CompleteWorkingDir(std::string_view exeDir, std::string_view workingDir,
                                    std::string_view commandLine);
// The same rules with Windows paths, as process creation there takes them:
// the final separator is "\"; a path is absolute when it starts with "\"
// or has ":" as its second character; the command line is prefixed as it
// is, unquoted.
CompletedCommand CompleteWorkingDirWindows(std::string_view exeDir, std::string_view workingDir,
                                           std::string_view commandLine);
// The rules of `family`: one of the two above.
CompletedCommand CompleteWorkingDirFor(platform::System::Family family, std::string_view exeDir,
                                       std::string_view workingDir, std::string_view commandLine);

// ProgramSearchPaths with this process's $PATH.
std::vector<std::string> ProgramSearchPaths(const std::string& program);

// The executable's directory, with its trailing separator (AppDir).
std::string ExecutableDir(platform::System& system);

// The runner over the processes, the clock and the system of `env`, which
// must outlive it (tests pass fakes).
class DosRunner {
 public:
  explicit DosRunner(const platform::Env& env) : env_(env) {}

  // RunDosCommand's rules. `error` (may be null) receives why a start
  // failed. With `keep` given and Wait false, the started program's id is
  // stored there instead of being released: the caller then owns it and
  // must release it.
  bool Run(const std::string& commandLine, const std::string& workingDir, bool wait,
           uint32_t& exitCode, const std::function<void()>& pumpEvents = {},
           std::string* error = nullptr, platform::Processes::Id* keep = nullptr);

  static constexpr int64_t kWaitStepMs = 100;

 private:
  const platform::Env env_;  // a copy: the services, not the aggregate, must outlive it
};

}  // namespace stanzo
