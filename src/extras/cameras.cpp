#include "extras/cameras.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "extras/dos.h"

namespace stanzo {

namespace {

struct Editor {
  const char* program;
  const char* waitingCommand;  // program plus the flag that makes it block
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
    {"gnome-text-editor", "gnome-text-editor --standalone"},
    {"gedit", "gedit --wait"},
    {"kate", "kate --block"},
    {"xed", "xed --wait"},
};

// Does not wait: the titles are reloaded at once, before any edit.
constexpr char kLastResort[] = "xdg-open";

bool IsOnPath(const std::string& program) {
  for (const std::string& candidate : ProgramSearchPaths(program)) {
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string CameraTitleKey(int n) {
  return "Cam" + std::to_string(n) + "Title";
}

std::string CameraCmdKey(int n) {
  return "Cam" + std::to_string(n) + "Cmd";
}

std::string EditorCommandLine(const std::string& path,
                              const std::function<std::string(const char*)>& getenv,
                              const std::function<bool(const std::string&)>& installed) {
  // The path is quoted: a settings file under a directory with blanks
  // must reach the editor as one argument.
  const std::string quoted = QuoteWord(path);
  // $VISUAL is a command line of its own (it may carry flags), so it is a
  // prefix, not a program name.
  const std::string visual = getenv("VISUAL");
  if (!visual.empty()) return visual + " " + quoted;
  for (const auto& editor : kEditors) {
    if (installed(editor.program)) return std::string(editor.waitingCommand) + " " + quoted;
  }
  return std::string(kLastResort) + " " + quoted;
}

std::string EditorCommandLine(const std::string& path) {
  return EditorCommandLine(
      path,
      [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::string(value) : std::string();
      },
      IsOnPath);
}

}  // namespace stanzo
