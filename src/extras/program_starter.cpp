#include "extras/program_starter.h"

#include <fstream>
#include <iterator>

namespace stanzo {

namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string EndedText(const std::string& commandLine, uint32_t code) {
  return commandLine + ": ended with exit code " + std::to_string(code);
}

}  // namespace

ProgramStarter::ProgramStarter(Log log, platform::Processes& processes, platform::Clock& clock,
                               ReadFile readFile)
    : log_(std::move(log)),
      processes_(processes),
      clock_(clock),
      readFile_(readFile ? std::move(readFile) : ReadFile(ReadWholeFile)) {}

ProgramStarter::~ProgramStarter() {
  for (const auto& w : watched_) processes_.Release(w.id);
}

void ProgramStarter::Execute(const std::string& commandLine) {
  uint32_t exitCode = 0;
  std::string error;
  platform::Processes::Id id = 0;
  if (!DosRunner(processes_, clock_).Run(commandLine, "", false, exitCode, {}, &error, &id)) {
    log_(commandLine + ": not started: " + error);
    return;
  }
  watched_.push_back({id, commandLine, clock_.NowMs()});
}

void ProgramStarter::EditFile(const std::string& path, const EditorCommand& editor,
                              const std::function<void()>& pumpEvents,
                              std::function<void()> reload) {
  follow_ = Follow{};  // a new edit replaces one still followed
  uint32_t exitCode = 0;
  std::string error;
  const std::string before = editor.waits ? std::string() : readFile_(path);
  if (!DosRunner(processes_, clock_)
           .Run(editor.commandLine, "", true, exitCode, pumpEvents, &error)) {
    log_(editor.commandLine + ": not started: " + error);
  } else if (exitCode != 0) {
    log_(EndedText(editor.commandLine, exitCode));
  } else if (!editor.waits) {
    follow_ = Follow{path, before, clock_.NowMs(), std::move(reload)};
    CheckFile();  // changed already while the opener ran
    return;
  }
  if (reload) reload();
}

void ProgramStarter::Tick() {
  const int64_t now = clock_.NowMs();
  std::vector<Watched> kept;
  for (auto& w : watched_) {
    const platform::Processes::Status status = processes_.Poll(w.id);
    const bool early = now - w.startedMs < kEarlyExitMs;
    if (status.ended || !early) {
      if (status.ended && early && status.exitCode != 0)
        log_(EndedText(w.commandLine, status.exitCode));
      processes_.Release(w.id);
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
  follow_.checkedMs = clock_.NowMs();
  std::string bytes = readFile_(follow_.path);
  if (bytes == follow_.bytes) return;
  follow_.bytes = std::move(bytes);
  // Copied: the reload may start another edit, which replaces follow_.
  const std::function<void()> reload = follow_.reload;
  reload();
}

}  // namespace stanzo
