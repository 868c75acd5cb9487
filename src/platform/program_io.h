// A command-line program's arguments and standard streams.
//
// Threading: the main thread. Errors are results.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace stanzo::platform {

// The arguments in UTF-8, the program's name first. On Windows argv holds
// the ANSI code page, which loses characters, so they come from the wide
// command line instead, and wildcards ("*", "?") in them are expanded to
// the files they name, as POSIX shells do before the program starts.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Write bytes unchanged (no CR LF translation); false when not all of them
// could be written.
bool WriteStdout(std::string_view bytes);
bool WriteStderr(std::string_view bytes);

}  // namespace stanzo::platform
