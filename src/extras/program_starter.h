// What the console does around the programs it starts (Execute, Edit
// Cameras): it says in the log when one cannot be started or fails at
// once, and it follows an edit of the settings file to its end.
//
// Log lines are handed to `log` as the text of one "E" entry:
//   "<command>: not started: <reason>"
//   "<command>: ended with exit code <n>"
// No message box: a launch that fails is something to read, not to click
// away.
//
// The window drives it with Tick() from its timer and Activated() when
// the operator returns to it; neither ever blocks. Not thread-safe: the
// GUI thread only. Programs still watched when it is destroyed run on.
#pragma once

#include <cstdint>
#include <functional>
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

  // Execute: starts `commandLine` without waiting.
  void Execute(const std::string& commandLine);

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
  };
  struct Follow {
    std::string path;
    std::string bytes;  // as last seen
    int64_t checkedMs = 0;
    std::function<void()> reload;
  };

  void CheckFile();

  Log log_;
  const platform::Env env_;  // a copy: the services, not the aggregate, must outlive it
  ReadFile readFile_;
  std::vector<Watched> watched_;
  Follow follow_;
};

}  // namespace stanzo
