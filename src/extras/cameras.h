// The camera switcher's settings keys and the settings-file editor.
#pragma once

#include <functional>
#include <string>

#include "platform/env.h"

namespace stanzo {

constexpr int kCameraCount = 10;

std::string CameraTitleKey(int n);  // "Cam<n>Title"
std::string CameraCmdKey(int n);    // "Cam<n>Cmd"

struct EditorCommand {
  std::string commandLine;
  // False when the command returns before the edit is over (xdg-open, or
  // a terminal emulator that hands the window to a running instance).
  bool waits = true;
};

// The command line that opens `path` in a text editor, in the order:
//   $VISUAL, then $EDITOR: a terminal editor (vi, nano, ...) runs inside
//   the first installed terminal emulator, in its waiting mode; a known
//   graphical editor gains its waiting flag; any other is taken as it is
//   (it is expected to wait). A terminal editor with no terminal emulator
//   installed is passed over.
//   Else the first installed of a short list of graphical editors in
//   their waiting mode; else xdg-open, which does not wait.
// `getenv` and `installed` (is a program on PATH?) are seams for tests.
EditorCommand ChooseEditor(const std::string& path,
                           const std::function<std::string(const char*)>& getenv,
                           const std::function<bool(const std::string&)>& installed);
// The same with the environment variables of env.system and the programs
// env.processes finds. On Windows (by env.system): "NOTEPAD " and the
// path, waited for.
EditorCommand ChooseEditor(const std::string& path, const platform::Env& env);

// ChooseEditor's command line.
std::string EditorCommandLine(const std::string& path,
                              const std::function<std::string(const char*)>& getenv,
                              const std::function<bool(const std::string&)>& installed);
std::string EditorCommandLine(const std::string& path, const platform::Env& env);

}  // namespace stanzo
