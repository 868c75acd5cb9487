// The process runner: starts another program from one command line.
//
// The command line is split into words the way a POSIX shell splits words
// and removes quotes ('...', "...", backslash); nothing is expanded and no
// shell ever runs. The program is looked up on PATH when it has no "/".
// The child gets a session of its own (it survives the console and gets no
// signals meant for it) and reads standard input from /dev/null. Children
// that are not waited for are reaped, so none is left a zombie.
//
// RunDosCommand returns true when the program was started, false when it
// could not be (no such program, bad working directory, empty or malformed
// command line); it never throws and shows nothing. ExitCode is 0 unless
// Wait is true and the program was started: then it is the program's exit
// status (128 + signal number when it was killed by a signal).
// While waiting it calls `pumpEvents` and sleeps 100 ms, in turn, so the
// window stays responsive; calls may nest.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo {

struct CompletedCommand {
  std::string commandLine;
  std::string workingDir;  // empty: inherit the console's
};

// The working-directory completion rules, "/" in the role of the
// directory separator: a non-empty working directory gains a final "/";
// a relative one (not starting with "/") is put under `exeDir`; a relative
// command line is then put under the completed working directory.
CompletedCommand CompleteWorkingDir(std::string_view exeDir, std::string_view workingDir,
                                    std::string_view commandLine);

// Shell-like word splitting with quote removal; nothing when the line has
// an unclosed quote or no words.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view commandLine);

// Quotes `word` so that SplitCommandLine gives it back unchanged.
std::string QuoteWord(std::string_view word);

// The paths at which `program` is looked for, in order, as execvp would:
// `program` itself when it holds a "/", else each $PATH directory joined
// with it ("/bin:/usr/bin" when PATH is unset; an empty entry stands for
// the current directory). Empty for an empty `program`.
std::vector<std::string> ProgramSearchPaths(const std::string& program);

// The executable's directory, with a trailing "/".
std::string ExecutableDir();

bool RunDosCommand(const std::string& commandLine, const std::string& workingDir, bool wait,
                   uint32_t& exitCode, const std::function<void()>& pumpEvents = {});

}  // namespace stanzo
