#include "extras/dos.h"

#include <cstdlib>
#include <filesystem>

namespace stanzo {

std::vector<std::string> ProgramSearchPaths(const std::string& program) {
  return ProgramSearchPaths(program, std::getenv("PATH"));
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

std::string ExecutableDir() {
  std::error_code ec;
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  const size_t slash = exe.rfind('/');
  return ec || slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

bool DosRunner::Run(const std::string& commandLine, const std::string& workingDir, bool wait,
                    uint32_t& exitCode, const std::function<void()>& pumpEvents, std::string* error,
                    platform::Processes::Id* keep) {
  exitCode = 0;
  platform::Processes::Started started;
  try {
    const CompletedCommand completed =
        workingDir.empty() ? CompletedCommand{commandLine, std::string()}
                           : CompleteWorkingDir(ExecutableDir(), workingDir, commandLine);
    started = processes_.Start(completed.commandLine, completed.workingDir);
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
      processes_.Release(started.id);
    }
    return true;
  }
  // Pump and pause before the first test, so a wait lasts at least one
  // step even when the program ends at once.
  for (;;) {
    if (pumpEvents) pumpEvents();
    clock_.SleepMs(kWaitStepMs);
    const platform::Processes::Status status = processes_.Poll(started.id);
    if (status.ended) {
      exitCode = status.exitCode;
      break;
    }
  }
  processes_.Release(started.id);
  return true;
}

bool RunDosCommand(const std::string& commandLine, const std::string& workingDir, bool wait,
                   uint32_t& exitCode, const std::function<void()>& pumpEvents,
                   std::string* error) {
  return DosRunner().Run(commandLine, workingDir, wait, exitCode, pumpEvents, error);
}

}  // namespace stanzo
