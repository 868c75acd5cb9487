#include "extras/program_starter.h"

#include "base/command_line.h"

namespace stanzo {

namespace {

std::string EndedText(const std::string& commandLine, uint32_t code) {
  return "Ended with exit code " + std::to_string(code) + ": " + commandLine;
}

std::string NotStartedText(const std::string& commandLine, const std::string& reason) {
  return "Not started (" + reason + "): " + commandLine;
}

// "vlc" from "/usr/bin/vlc --intf=..." (also "C:\...\vlc.exe" on Windows).
std::string ProgramName(const std::string& commandLine) {
  const std::optional<std::vector<std::string>> words = SplitCommandLine(commandLine);
  std::string program = words && !words->empty() ? words->front() : commandLine;
  const size_t sep = program.find_last_of("/\\");
  if (sep != std::string::npos) program.erase(0, sep + 1);
  return program;
}

// "<program>: <line>", unless the program named itself already ("vlc:
// unknown option ...").
std::string ProgramLine(const std::string& commandLine, const std::string& line) {
  const std::string prefix = ProgramName(commandLine) + ": ";
  return line.rfind(prefix, 0) == 0 ? line : prefix + line;
}

bool Contains(const std::string& s, const char* part) {
  return s.find(part) != std::string::npos;
}

// `line` without its line end and without VLC's object address
// ("[000055e06169ddb0] "), which says nothing to a reader.
std::string Shortened(const std::string& line) {
  std::string text = line;
  while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
  const size_t close = text.find("] ");
  if (text.size() > 3 && text[0] == '[' && close != std::string::npos &&
      text.find_first_not_of("0123456789abcdefABCDEF", 1) == close)
    text.erase(0, close + 2);
  return text;
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

std::string ProgramStarter::ErrorLine(const std::string& line) {
  const std::string text = Shortened(line);
  if (!Contains(text, " error: ") && text.rfind("error: ", 0) != 0) return std::string();
  for (const char* noise :
       {"dbus", "D-Bus", "globalhotkeys", "XDG_RUNTIME_DIR", "no suitable interface module"}) {
    if (Contains(text, noise)) return std::string();
  }
  return text;
}

bool ProgramStarter::InterfaceError(const std::string& errorLine) {
  return (!errorLine.empty() && errorLine[0] == '[') || Contains(errorLine, "lua interface");
}

void ProgramStarter::Execute(const std::string& commandLine) {
  platform::Processes::Started started;
  try {
    started = env_.processes.StartReadingErrors(commandLine, "");
  } catch (const std::exception& e) {  // out of memory while preparing
    started.error = e.what();
  }
  if (started.id == 0) {
    log_(NotStartedText(commandLine, started.error));
    return;
  }
  const int64_t now = env_.clock.NowMs();
  watched_.push_back({started.id, commandLine, now, {}, {}, {}, false, std::nullopt});
  executedMs_ = now;
}

bool ProgramStarter::RecentExecute() {
  if (!executedMs_ || env_.clock.NowMs() - *executedMs_ >= kConnectHintMs) return false;
  executedMs_.reset();
  return true;
}

void ProgramStarter::ReadErrors(Watched& w, bool ended) {
  w.partial += env_.processes.ReadErrors(w.id);
  size_t start = 0;
  for (;;) {
    const size_t end = w.partial.find('\n', start);
    if (end == std::string::npos && !(ended && start < w.partial.size())) break;
    const std::string line =
        w.partial.substr(start, (end == std::string::npos ? w.partial.size() : end) - start);
    start = end == std::string::npos ? w.partial.size() : end + 1;
    if (w.firstLine.empty() && line.find_first_not_of(" \t\r") != std::string::npos)
      w.firstLine = line;
    const std::string error = ErrorLine(line);
    if (error.empty()) continue;
    if (w.firstError.empty()) w.firstError = error;
    if (w.errorLogged || !InterfaceError(error)) continue;
    log_(ProgramLine(w.commandLine, error));
    w.errorLogged = true;
  }
  w.partial.erase(0, start);
  // A line without an end is not held without bound.
  if (w.partial.size() > 4096) w.partial.clear();
}

void ProgramStarter::EditFile(const std::string& path, const EditorCommand& editor,
                              const std::function<void()>& pumpEvents,
                              std::function<void()> reload) {
  follow_ = Follow{};  // a new edit replaces one still followed
  uint32_t exitCode = 0;
  std::string error;
  const std::string before = editor.waits ? std::string() : readFile_(path);
  if (!DosRunner(env_).Run(editor.commandLine, "", true, exitCode, pumpEvents, &error)) {
    log_(NotStartedText(editor.commandLine, error));
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
    // A failed program's last lines may still be on their way from its
    // standard error: its end is told a moment later, with them.
    if (!w.endedMs && status.ended && early && status.exitCode != 0) w.endedMs = now;
    const bool failed = w.endedMs.has_value();
    const bool settled = !failed || now - *w.endedMs >= kSettleMs;
    ReadErrors(w, status.ended && settled);
    if (!settled) {
      kept.push_back(w);
    } else if (status.ended || !early) {
      if (failed) {
        log_(EndedText(w.commandLine, status.exitCode));
        // Its reason, when it gave none that reads as an error ("VLC is
        // not supposed to be run as root", an unknown option).
        const std::string reason = w.firstError.empty() ? Shortened(w.firstLine) : w.firstError;
        if (!w.errorLogged && !reason.empty()) log_(ProgramLine(w.commandLine, reason));
      }
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
