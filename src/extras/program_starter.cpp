#include "extras/program_starter.h"

namespace stanzo {

namespace {

std::string EndedText(const std::string& commandLine, uint32_t code) {
  return commandLine + ": ended with exit code " + std::to_string(code);
}

}  // namespace

ProgramStarter::ProgramStarter(Log log, const platform::Env& env, ReadFile readFile)
    : log_(std::move(log)), env_(env), readFile_(std::move(readFile)) {
  if (!readFile_) {
    readFile_ = [&files = env_.files](const std::string& path) {
      std::string bytes;
      files.Read(path, &bytes);  // left empty when it fails
      return bytes;
    };
  }
}

ProgramStarter::~ProgramStarter() {
  for (const auto& w : watched_) env_.processes.Release(w.id);
}

void ProgramStarter::Execute(const std::string& commandLine) {
  uint32_t exitCode = 0;
  std::string error;
  platform::Processes::Id id = 0;
  if (!DosRunner(env_).Run(commandLine, "", false, exitCode, {}, &error, &id)) {
    log_(commandLine + ": not started: " + error);
    return;
  }
  watched_.push_back({id, commandLine, env_.clock.NowMs()});
}

void ProgramStarter::EditFile(const std::string& path, const EditorCommand& editor,
                              const std::function<void()>& pumpEvents,
                              std::function<void()> reload) {
  follow_ = Follow{};  // a new edit replaces one still followed
  uint32_t exitCode = 0;
  std::string error;
  const std::string before = editor.waits ? std::string() : readFile_(path);
  if (!DosRunner(env_).Run(editor.commandLine, "", true, exitCode, pumpEvents, &error)) {
    log_(editor.commandLine + ": not started: " + error);
  } else if (exitCode != 0) {
    log_(EndedText(editor.commandLine, exitCode));
  } else if (!editor.waits) {
    follow_ = Follow{path, before, env_.clock.NowMs(), std::move(reload)};
    CheckFile();  // changed already while the opener ran
    return;
  }
  if (reload) reload();
}

void ProgramStarter::Tick() {
  const int64_t now = env_.clock.NowMs();
  std::vector<Watched> kept;
  for (auto& w : watched_) {
    const platform::Processes::Status status = env_.processes.Poll(w.id);
    const bool early = now - w.startedMs < kEarlyExitMs;
    if (status.ended || !early) {
      if (status.ended && early && status.exitCode != 0)
        log_(EndedText(w.commandLine, status.exitCode));
      env_.processes.Release(w.id);
    } else {
      kept.push_back(w);
    }
  }
  watched_.swap(kept);
  if (follow_.reload && now - follow_.checkedMs >= kFileCheckMs) CheckFile();
}

void ProgramStarter::Activated() {
  if (!follow_.reload) return;
  // The edit is over: the titles are read once more, as after a waited
  // editor, whether or not the file changed.
  const std::function<void()> reload = std::move(follow_.reload);
  follow_ = Follow{};
  reload();
}

void ProgramStarter::CheckFile() {
  follow_.checkedMs = env_.clock.NowMs();
  std::string bytes = readFile_(follow_.path);
  if (bytes == follow_.bytes) return;
  follow_.bytes = std::move(bytes);
  // Copied: the reload may start another edit, which replaces follow_.
  const std::function<void()> reload = follow_.reload;
  reload();
}

}  // namespace stanzo
