#include "extras/cameras.h"

#include <optional>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "platform/processes.h"

namespace stanzo {

namespace {

struct Editor {
  const char* program;
  const char* waitFlag;  // makes the started command last until the file is closed
};

// Graphical editors whose flag makes the started command last until the
// file is closed, even when an instance of the editor is already running.
// An editor that would hand the file to a running instance and return at
// once has no place here: the titles would be reloaded too early.
// gedit --wait, gnome-text-editor --standalone (its own instance, which
// lives until its window closes) and kate --block were checked against
// the editors' own help texts; xed --wait is the option xed kept from
// gedit (not checked here: xed is not packaged for Debian). Mousepad and
// pluma are left out: they offer no such flag.
constexpr Editor kEditors[] = {
    {"gnome-text-editor", "--standalone"},
    {"gedit", "--wait"},
    {"kate", "--block"},
    {"xed", "--wait"},
    {"code", "--wait"},
    {"codium", "--wait"},
    {"subl", "--wait"},
};

// Editors that draw in a terminal: started without one they fail at once
// (vim: "Error reading input") or take over nothing at all.
constexpr std::string_view kTerminalEditors[] = {"vi",        "vim",
                                                 "vim.basic", "vim.tiny",
                                                 "nvim",      "nano",
                                                 "pico",      "micro",
                                                 "joe",       "jed",
                                                 "ne",        "mcedit",
                                                 "mg",        "ed",
                                                 "ex",        "kak",
                                                 "hx",        "helix",
                                                 "jove",      "zile",
                                                 "editor",    "sensible-editor"};

struct Terminal {
  const char* program;
  const char* runPrefix;  // followed by the command's words
  bool waits;             // the started terminal lives until the command ends
};

// Terminal emulators in the order they are tried. Each option keeps the
// started terminal in the foreground until the editor ends, also when an
// instance is already running (gnome-terminal --wait, konsole --nofork,
// xfce4-terminal --disable-server). x-terminal-emulator is whatever the
// system picked, so it is not relied on to wait.
constexpr Terminal kTerminals[] = {
    {"gnome-terminal", "gnome-terminal --wait --", true},
    {"konsole", "konsole --nofork -e", true},
    {"xfce4-terminal", "xfce4-terminal --disable-server -x", true},
    {"xterm", "xterm -e", true},
    {"x-terminal-emulator", "x-terminal-emulator -e", false},
};

// Does not wait: the edit goes on after it has returned.
constexpr char kLastResort[] = "xdg-open";

std::string BaseName(const std::string& word) {
  const size_t slash = word.rfind('/');
  return slash == std::string::npos ? word : word.substr(slash + 1);
}

bool IsTerminalEditor(const std::vector<std::string>& words) {
  const std::string name = BaseName(words.front());
  for (std::string_view t : kTerminalEditors)
    if (name == t) return true;
  if (name == "emacs") {
    for (const auto& w : words)
      if (w == "-nw" || w == "--no-window-system") return true;
  }
  return false;
}

// `editor` (a user's command line, without the file) made into a command
// that opens `quoted` and waits; nothing when it cannot be run here.
std::optional<EditorCommand> FromUserEditor(
    const std::string& editor, const std::string& quoted,
    const std::function<bool(const std::string&)>& installed) {
  const auto words = SplitCommandLine(editor);
  if (!words) return std::nullopt;
  const std::string line = editor + " " + quoted;
  if (IsTerminalEditor(*words)) {
    for (const auto& t : kTerminals) {
      if (installed(t.program))
        return EditorCommand{std::string(t.runPrefix) + " " + line, t.waits};
    }
    return std::nullopt;
  }
  const std::string name = BaseName(words->front());
  for (const auto& e : kEditors) {
    if (name != e.program) continue;
    for (const auto& w : *words)
      if (w == e.waitFlag) return EditorCommand{line, true};
    // The flag right after the program: the user's own words follow.
    const size_t programEnd = editor.find_first_of(" \t", editor.find_first_not_of(" \t"));
    if (programEnd == std::string::npos)
      return EditorCommand{editor + " " + e.waitFlag + " " + quoted, true};
    return EditorCommand{
        editor.substr(0, programEnd) + " " + e.waitFlag + editor.substr(programEnd) + " " + quoted,
        true};
  }
  return EditorCommand{line, true};
}

}  // namespace

std::string CameraTitleKey(int n) {
  return "Cam" + std::to_string(n) + "Title";
}

std::string CameraCmdKey(int n) {
  return "Cam" + std::to_string(n) + "Cmd";
}

EditorCommand ChooseEditor(const std::string& path,
                           const std::function<std::string(const char*)>& getenv,
                           const std::function<bool(const std::string&)>& installed) {
  // The path is quoted: a settings file under a directory with blanks
  // must reach the editor as one argument.
  const std::string quoted = QuoteWord(path);
  // $VISUAL and $EDITOR are command lines of their own (they may carry
  // flags), so they are prefixes, not program names.
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const std::string editor = getenv(name);
    if (editor.empty()) continue;
    if (auto command = FromUserEditor(editor, quoted, installed)) return *command;
  }
  for (const auto& editor : kEditors) {
    if (installed(editor.program))
      return {std::string(editor.program) + " " + editor.waitFlag + " " + quoted, true};
  }
  return {std::string(kLastResort) + " " + quoted, false};
}

EditorCommand ChooseEditor(const std::string& path, const platform::Env& env) {
  if (env.system.Kind() == platform::System::Family::kWindows) {
    // The system's own editor, which every Windows has and which lasts
    // until its window closes. The path goes unquoted, as the older console
    // passed it: Notepad takes the rest of its command line as one file
    // name, blanks included.
    return {"NOTEPAD " + path, true};
  }
  return ChooseEditor(
      path, [&env](const char* name) { return env.system.Variable(name); },
      [&env](const std::string& program) { return env.processes.IsInstalled(program); });
}

std::string EditorCommandLine(const std::string& path,
                              const std::function<std::string(const char*)>& getenv,
                              const std::function<bool(const std::string&)>& installed) {
  return ChooseEditor(path, getenv, installed).commandLine;
}

std::string EditorCommandLine(const std::string& path, const platform::Env& env) {
  return ChooseEditor(path, env).commandLine;
}

}  // namespace stanzo
