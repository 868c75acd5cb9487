// Where the running program lies, and how this system's paths split into
// directory and name.
//
// Threading: any thread. Errors: ExecutablePath is empty when the system
// cannot tell (it never throws, out of memory aside).
#pragma once

#include <string>
#include <string_view>

namespace stanzo::platform {

// The bytes after which a path's last component starts: "/" on POSIX;
// "\", "/" and the ":" of a drive ("C:name") on Windows.
#ifdef _WIN32
inline constexpr std::string_view kPathSeparators = "\\/:";
#else
inline constexpr std::string_view kPathSeparators = "/";
#endif

// The running program's full path in UTF-8 ("/opt/stanzo/stanzo",
// "C:\Stanzo\stanzo.exe").
std::string ExecutablePath();

}  // namespace stanzo::platform
