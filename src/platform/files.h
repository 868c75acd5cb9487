// Files: the one place where the console reads, replaces, removes and lists
// files on disk, and makes directories. Paths are UTF-8 strings as the
// operating system takes them.
//
// Replace() is the console's only way to write a file, and it is atomic:
// the bytes go to a temporary file in the target's directory, are flushed
// to disk and renamed over the target, so a failure or a kill leaves either
// the old file or the new one, never a mix. Its rules, which every
// implementation keeps:
//  - the replaced file's permission bits (and owner, where allowed) are kept;
//    on Windows its attributes and explicit access rules; a new file gets
//    the system's default permissions;
//  - a symbolic link (or the system's equivalent) is written through: the
//    file it points at is replaced, the link stays;
//  - a file that is not writable for us is refused (CannotCreate), as it
//    would be for a program that opens it for writing;
//  - a target that is not a regular file (a device, a pipe) is written in
//    place, never replaced;
//  - a failed replace leaves the old file untouched and no temporary;
//  - before writing, the temporaries that an earlier replace of the same
//    target left behind when it was killed are removed (RemoveStaleTemps).
//
// Errors are results, not exceptions: callers turn them into their own
// messages. Threading: Default() is safe from any thread; calls on one
// Files object for the same path must not overlap.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo::platform {

enum class FileResult {
  Ok,
  Missing,       // Read: the file does not exist
  CannotOpen,    // Read: it exists but cannot be opened or read
  CannotCreate,  // Replace: the file or its temporary cannot be created, or the rename failed
  WriteFailed,   // Replace: not every byte could be written and flushed (a full disk)
};

class Files {
 public:
  virtual ~Files() = default;

  // Reads the whole file into *bytes (left empty on failure).
  virtual FileResult Read(const std::string& path, std::string* bytes) = 0;
  // Replaces the file's content with `bytes` atomically (see above).
  virtual FileResult Replace(const std::string& path, std::string_view bytes) = 0;
  // Removes one file; false when it could not be removed.
  virtual bool Remove(const std::string& path) = 0;
  // The names (no directory part; "." and ".." left out) in directory
  // `dir`, in no particular order; nullopt when it cannot be listed.
  virtual std::optional<std::vector<std::string>> List(const std::string& dir) = 0;
  // Creates directory `dir` (a trailing separator is allowed) and every
  // missing parent; true when it exists afterwards. The default serves
  // every system (std::filesystem); test doubles override it.
  virtual bool MakeDirs(const std::string& dir);
  // True when this process can create a file in directory `dir` (it
  // exists and lets us write). The default serves every system: it creates
  // and removes a probe file there, which answers for read-only mounts and
  // access rules alike; test doubles override it.
  virtual bool CanCreateIn(const std::string& dir);

  // The operating system's files; lives for the whole run.
  static Files& Default();
};

// Temporary names, shared by every implementation so that any of them
// finds the leftovers of another: "<dir>/.<name>.tmp-<process>-<count>"
// beside the target "<dir>/<name>".
std::string TempNameFor(const std::string& target, uint64_t process, uint64_t count);
// True when `entry` (a bare name) is a temporary of the target named
// `targetName` (a bare name), as TempNameFor makes them.
bool IsTempNameOf(std::string_view entry, std::string_view targetName);
// Removes every temporary of `target` left in its directory (a killed
// replace leaves one). A temporary that cannot be removed is left alone.
void RemoveStaleTemps(Files& files, const std::string& target);

}  // namespace stanzo::platform
