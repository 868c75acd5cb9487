// The console's settings file: an INI file beside the executable, named
// after it with ".ini".
//
// Semantics (those of the classic private-profile functions):
//  - section and key names compare case-insensitively, without surrounding
//    blanks;
//  - every read goes to the file afresh, every write goes through at once,
//    so an edit made by another program is seen by the next read;
//  - a value comes back with surrounding blanks trimmed and one pair of
//    matching surrounding quotes removed, cut to 2047 bytes (never inside
//    a UTF-8 character);
//  - a missing file, section or key gives the caller's default;
//  - a write replaces the key's line in place, else adds the key at the end
//    of its section (below its last key line), else appends the section;
//    every other line, comment and the order are kept byte for byte;
//  - a value is stored up to its first line break, so a value can never
//    plant lines of its own;
//  - added lines take the file's line end (CR LF or LF); a new file gets LF;
//  - a file is read and written back in its own encoding (UTF-8, UTF-16
//    with a byte-order mark, else the system's 8-bit code page; see
//    text/line_file.h);
//    values always come back as UTF-8;
//  - a value is written as given, blanks included; a rewrite keeps the
//    old line's spacing after "=" only when the new value starts with no
//    blank, so no rewrite ever adds blanks.
// Writes replace the file atomically (temporary file, flush, rename) and
// keep its permission bits. A failed write throws SettingsError
// "Unable to write to <path>" and leaves the file as it was; so does a file
// that exists but cannot be read. Section and key names must not be empty
// or hold line breaks, "=", "[" or "]" (std::invalid_argument).
// Not thread-safe; the console uses it from the GUI thread only.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace stanzo {

class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr size_t kMaxSettingValue = 2047;

class IniFile {
 public:
  // No file access here; the services of `env` must outlive the object.
  IniFile(std::string path, const platform::Env& env) : path_(std::move(path)), env_(env) {}
  const std::string& FileName() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

 private:
  std::string path_;
  platform::Env env_;
};

// Pure parts, exposed for tests.
std::string IniLookup(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view def);
std::string IniAssign(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value);
// `s` without the blanks (space, tab, CR, VT, FF) at either end: names and
// values are compared and read as the file's lines hold them, trimmed.
std::string_view TrimIniBlanks(std::string_view s);
// True for a section or key name a file can hold: not blank, without a line
// break, "=", "[" or "]", and not starting (once trimmed) with ";", which
// would make its line a comment. IniAssign refuses every other name.
bool IsIniName(std::string_view name);

// "/opt/stanzo/stanzo" -> "/opt/stanzo/"; on Windows
// "C:\Stanzo\stanzo.exe" -> "C:\Stanzo\" (the path up to its last "\", "/"
// or ":"). The executable's path: platform::System::ExecutablePath().
std::string AppDirOf(std::string_view exePath);
// "/opt/stanzo/stanzo" -> "/opt/stanzo/stanzo.ini"; an extension is replaced
// ("C:\Stanzo\stanzo.exe" -> "C:\Stanzo\stanzo.ini").
std::string SettingsPathOf(std::string_view exePath);

// Setting names and defaults.
inline constexpr char kSectionMain[] = "Stanzo";
inline constexpr char kSectionCameras[] = "Cameras";
inline constexpr char kKeyHost[] = "Host";
inline constexpr char kKeyInitFile[] = "InitFile";
inline constexpr char kKeyLyricFile[] = "LyricFile";
inline constexpr char kKeySongFolder[] = "SongFolder";  // where Insert Song was used last
inline constexpr char kDefaultHost[] = "localhost:2323";
inline constexpr char kDefaultInitFile[] = "Init.txt";
inline constexpr char kDefaultLyricFile[] = "Lyrics.txt";

}  // namespace stanzo
