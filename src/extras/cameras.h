// The camera switcher's settings keys and the settings-file editor.
#pragma once

#include <functional>
#include <string>

namespace stanzo {

constexpr int kCameraCount = 10;

std::string CameraTitleKey(int n);  // "Cam<n>Title"
std::string CameraCmdKey(int n);    // "Cam<n>Cmd"

// The command line that opens `path` in a text editor and returns only
// when the editor is closed: $VISUAL when set, else the first installed of
// a short list of graphical editors in their waiting mode, else xdg-open.
// `getenv` and `installed` (is a program on PATH?) are seams for tests.
std::string EditorCommandLine(const std::string& path,
                              const std::function<std::string(const char*)>& getenv,
                              const std::function<bool(const std::string&)>& installed);
// The same with the real environment and PATH.
std::string EditorCommandLine(const std::string& path);

}  // namespace stanzo
