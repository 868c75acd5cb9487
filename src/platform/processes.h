// Starting other programs and learning when they end.
//
// A program is started from one command line, exactly as the operator
// typed it; how the line becomes a program and its arguments is the
// platform's own rule (POSIX: shell-like words, see base/command_line.h,
// no shell runs; Windows: the line is handed to process creation as it
// is). The started program gets a console/session of its own, the
// console's environment, and no standard input worth reading; no signal or
// window message meant for the console reaches it.
//
// Every id that Start hands out must be given back with Release exactly
// once. Release never stops the program: it only ends the watching, and
// frees whatever the platform kept for it (handles, helper processes), so
// that no finished program lingers (no zombies) however long the console
// runs on.
//
// Errors: Start reports a failed start in its result, never by throwing
// (out of memory aside). Poll and Release take only ids that Start handed
// out and that are not yet released.
//
// Threading: one thread at a time (the console's GUI thread); nothing
// blocks for longer than a process start.
#pragma once

#include <cstdint>
#include <string>

namespace stanzo::platform {

class Processes {
 public:
  using Id = uint64_t;  // 0 never names a program

  struct Started {
    Id id = 0;          // 0: the program was not started
    std::string error;  // when not started: why, one line ("No such file or directory")
  };

  struct Status {
    bool ended = false;
    // When ended: the program's exit code; on POSIX 128 + the signal's
    // number when a signal ended it.
    uint32_t exitCode = 0;
  };

  virtual ~Processes() = default;

  // Starts the program of `commandLine` in `workingDir` (empty: the
  // console's current directory). Returns when the program is running, or
  // when it is known that it cannot run (no such program, not executable,
  // no such working directory, a malformed or empty line).
  virtual Started Start(const std::string& commandLine, const std::string& workingDir) = 0;

  // Start, and the program's standard error is read as well: whatever it
  // writes there while watched is handed out by ReadErrors, and every byte
  // goes on to the console's own standard error, during the watching and
  // after it, as long as the program writes (also once the console has
  // ended; on Windows, where only a process of the console's own could
  // read on, the program's later writes there fail instead, which neither
  // blocks nor ends it). The default reads nothing: it is Start.
  virtual Started StartReadingErrors(const std::string& commandLine,
                                     const std::string& workingDir) {
    return Start(commandLine, workingDir);
  }

  // Without blocking: the bytes the program wrote to its standard error
  // since the last call (nothing for one started by Start). Bytes the
  // console does not fetch quickly enough may be left out here; they still
  // reach the console's standard error.
  virtual std::string ReadErrors(Id /*id*/) { return std::string(); }

  // Without blocking: has the program ended, and how. Once it reports an
  // end it keeps reporting the same.
  virtual Status Poll(Id id) = 0;

  // Stops watching the program; it runs on by itself.
  virtual void Release(Id id) = 0;

  // True when `program` (a name or a path) names a program that Start
  // would find and could run, by the platform's usual search.
  virtual bool IsInstalled(const std::string& program) = 0;

  // The operating system's processes; lives for the whole run.
  static Processes& Default();
};

}  // namespace stanzo::platform
