// What the console does around the programs it starts (Execute, Edit
// Cameras): it says in the log when one cannot be started or fails at
// once, and it follows an edit of the settings file to its end.
//
// Log lines are handed to `log` as the text of one "E" entry, the reason
// first, so that it shows in the log's width (which does not wrap), and
// the command last:
//   "Not started (<reason>): <command>"
//   "Ended with exit code <n>: <command>"
//   "<program>: <the program's own error line>"
// The last one comes from what a program started by Execute writes to its
// standard error in its first seconds, once per start: an error of one of
// VLC's interfaces (the bridge, VLC's CLI: InterfaceError) at once, since
// VLC runs on healthy-looking without them; or, when the program ends
// early and failing, its first error line (ErrorLine), else its first
// line ("VLC is not supposed to be run as root"). Other errors of a
// program that runs on (no audio server, say) are not the console's to
// tell. Everything the program writes also goes on to the console's
// standard error, as before.
// No message box: a launch that fails is something to read, not to click
// away.
//
// The window drives it with Tick() from its timer and Activated() when
// the operator returns to it; neither ever blocks. Not thread-safe: the
// GUI thread only. Programs still watched when it is destroyed run on.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "extras/cameras.h"
#include "extras/dos.h"

namespace stanzo {

class ProgramStarter {
 public:
  using Log = std::function<void(const std::string& text)>;
  using ReadFile = std::function<std::string(const std::string& path)>;

  // How long a program started by Execute is watched: one that ends this
  // early with a non-zero exit code failed to start in all but name (VLC
  // refusing to run as root, its port in use).
  static constexpr int64_t kEarlyExitMs = 5000;
  // How long after a failed end its last error lines are waited for.
  static constexpr int64_t kSettleMs = 200;
  // How often the settings file is looked at while an edit that cannot be
  // waited for goes on.
  static constexpr int64_t kFileCheckMs = 500;

  // Programs start and are watched through the processes, the clock and
  // the system of `env`, which must outlive it. `readFile` gives a file's
  // bytes, empty when unreadable; null means reading it through env.files.
  explicit ProgramStarter(Log log, const platform::Env& env, ReadFile readFile = nullptr);
  ~ProgramStarter();
  ProgramStarter(const ProgramStarter&) = delete;
  ProgramStarter& operator=(const ProgramStarter&) = delete;

  // How long after Execute a refused connection hints that the player
  // runs without its bridge (RecentExecute).
  static constexpr int64_t kConnectHintMs = 60000;

  // Execute: starts `commandLine` without waiting.
  void Execute(const std::string& commandLine);

  // True once after an Execute that started a program less than
  // kConnectHintMs ago; false again until the next Execute.
  bool RecentExecute();

  // The part of a line of the player's standard error worth a log line:
  // one that reports an error, in VLC's "[<object>] <module> error: <text>"
  // form or as "error: ...", without the object's address; empty for any
  // other line, and for VLC's errors of optional interfaces that every
  // start without a desktop session reports (D-Bus, global hot keys, the
  // runtime folder).
  static std::string ErrorLine(const std::string& line);
  // True for an ErrorLine of one of VLC's interfaces: tagged with its
  // name ("[stanzo_bridge] ...", "[cli] ...") or from its Lua loader.
  static bool InterfaceError(const std::string& errorLine);

  // Edit Cameras: runs `editor` on the settings file `path`. An editor
  // that waits is waited for (pumping events), then `reload` runs. One
  // that cannot be waited for (xdg-open) is run to its return; from then
  // on `reload` runs whenever the file's bytes change, until the operator
  // returns to the window (Activated), which ends the edit with a last
  // reload. A failed start logs and reloads at once.
  void EditFile(const std::string& path, const EditorCommand& editor,
                const std::function<void()>& pumpEvents, std::function<void()> reload);

  // From the window's timer: notes early failures, follows the file.
  void Tick();
  // The console's window became active again.
  void Activated();

  // True while an edit that cannot be waited for is followed.
  bool FollowingEdit() const { return static_cast<bool>(follow_.reload); }

 private:
  struct Watched {
    platform::Processes::Id id;
    std::string commandLine;
    int64_t startedMs;
    std::string partial;     // standard error after its last complete line
    std::string firstLine;   // its first non-empty line
    std::string firstError;  // its first ErrorLine
    bool errorLogged = false;
    std::optional<int64_t> endedMs;  // when a failed end was first seen
  };
  struct Follow {
    std::string path;
    std::string bytes;  // as last seen
    int64_t checkedMs = 0;
    std::function<void()> reload;
  };

  void CheckFile();
  // Takes the program's new standard error; logs its first error line.
  // `ended`: what is left is a last line.
  void ReadErrors(Watched& w, bool ended);

  Log log_;
  const platform::Env env_;  // a copy: the services, not the aggregate, must outlive it
  ReadFile readFile_;
  std::vector<Watched> watched_;
  Follow follow_;
  std::optional<int64_t> executedMs_;  // the last Execute that started a program
};

}  // namespace stanzo
