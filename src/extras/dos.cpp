#include "extras/dos.h"

#include <cstdlib>

#include "platform/system.h"
#include "text/settings.h"

namespace stanzo {

std::vector<std::string> ProgramSearchPaths(const std::string& program) {
  return ProgramSearchPaths(program, std::getenv("PATH"));
}

CompletedCommand CompleteWorkingDirWindows(std::string_view exeDir, std::string_view workingDir,
                                           std::string_view commandLine) {
  if (workingDir.empty()) return {std::string(commandLine), std::string()};
  const auto absolute = [](std::string_view path) {
    return (!path.empty() && path[0] == '\\') || (path.size() >= 2 && path[1] == ':');
  };
  std::string dir(workingDir);
  // UTF-8 never has "\" inside a multi-byte character, so the last byte
  // decides.
  if (dir.back() != '\\') dir += '\\';
  if (!absolute(dir)) dir = std::string(exeDir) + dir;
  std::string command(commandLine);
  // Not quoted: process creation reads an unquoted path with blanks by
  // trying it word by word, but a quoted directory would end the program's
  // name at its closing quote.
  if (!absolute(command)) command = dir + command;
  return {std::move(command), std::move(dir)};
}

CompletedCommand CompleteWorkingDir(std::string_view exeDir, std::string_view workingDir,
                                    std::string_view commandLine) {
  if (workingDir.empty()) return {std::string(commandLine), std::string()};
  std::string dir(workingDir);
  // UTF-8 never has "/" inside a multi-byte character, so the last byte
  // decides.
  if (dir.back() != '/') dir += '/';
  // Only a leading "/" makes a path absolute here; there are no drive
  // letters to test for.
  if (dir.front() != '/') dir = std::string(exeDir) + dir;
  std::string command(commandLine);
  if (command.empty() || command.front() != '/') {
    // Quoted when needed, so a directory with blanks stays part of the
    // program's word when the line is split.
    command = QuoteWord(dir) + command;
  }
  return {std::move(command), std::move(dir)};
}

CompletedCommand CompleteWorkingDirFor(platform::System::Family family, std::string_view exeDir,
                                       std::string_view workingDir, std::string_view commandLine) {
  return family == platform::System::Family::kWindows
             ? CompleteWorkingDirWindows(exeDir, workingDir, commandLine)
             : CompleteWorkingDir(exeDir, workingDir, commandLine);
}

std::string ExecutableDir(platform::System& system) {
  return AppDirOf(system.ExecutablePath());
}

bool DosRunner::Run(const std::string& commandLine, const std::string& workingDir, bool wait,
                    uint32_t& exitCode, const std::function<void()>& pumpEvents, std::string* error,
                    platform::Processes::Id* keep) {
  exitCode = 0;
  platform::Processes::Started started;
  try {
    const CompletedCommand completed =
        workingDir.empty() ? CompletedCommand{commandLine, std::string()}
                           : CompleteWorkingDirFor(env_.system.Kind(), ExecutableDir(env_.system),
                                                   workingDir, commandLine);
    started = env_.processes.Start(completed.commandLine, completed.workingDir);
  } catch (const std::exception& e) {  // out of memory while preparing
    started.error = e.what();
  }
  if (started.id == 0) {
    if (error != nullptr) *error = started.error;
    return false;
  }
  if (!wait) {
    if (keep != nullptr) {
      *keep = started.id;
    } else {
      env_.processes.Release(started.id);
    }
    return true;
  }
  // Pump and pause before the first test, so a wait lasts at least one
  // step even when the program ends at once.
  for (;;) {
    if (pumpEvents) pumpEvents();
    env_.clock.SleepMs(kWaitStepMs);
    const platform::Processes::Status status = env_.processes.Poll(started.id);
    if (status.ended) {
      exitCode = status.exitCode;
      break;
    }
  }
  env_.processes.Release(started.id);
  return true;
}

}  // namespace stanzo
