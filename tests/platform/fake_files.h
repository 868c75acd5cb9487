// Files in memory, with faults on demand: a write, the flush or the rename
// of the n-th Replace fails, or the disk is full. Replace keeps the real
// rules a test can see: the old content stays on any failure, no temporary
// is left, and stale temporaries of the target are removed first. Paths
// are plain strings: "d/a.txt" lies in directory "d". Not thread-safe.
#pragma once

#include <algorithm>
#include <limits>
#include <map>
#include <set>
#include <string>

#include "platform/files.h"

namespace stanzo::testing {

class FakeFiles final : public platform::Files {
 public:
  using Result = platform::FileResult;

  std::map<std::string, std::string> files;  // path -> content
  std::map<std::string, bool> unreadable;    // path -> Read fails
  std::map<std::string, bool> unwritable;    // path -> Replace fails as for a directory there
  // Faults, each for the n-th Replace counted from 1 (0: never).
  int failWriteAt = 0;
  int failFlushAt = 0;
  int failRenameAt = 0;
  size_t capacity = std::numeric_limits<size_t>::max();  // bytes of all files together
  int replaces = 0;

  Result Read(const std::string& path, std::string* bytes) override {
    bytes->clear();
    if (unreadable[path]) return Result::CannotOpen;
    const auto it = files.find(path);
    if (it == files.end()) return Result::Missing;
    *bytes = it->second;
    return Result::Ok;
  }

  Result Replace(const std::string& path, std::string_view bytes) override {
    const int n = ++replaces;
    platform::RemoveStaleTemps(*this, path);
    size_t used = 0;
    for (const auto& [name, content] : files) used += content.size();
    const bool full = bytes.size() > capacity - std::min(capacity, used);
    if (n == failWriteAt || n == failFlushAt || full) return Result::WriteFailed;
    if (n == failRenameAt || unwritable[path]) return Result::CannotCreate;
    files[path] = std::string(bytes);
    return Result::Ok;
  }

  bool Remove(const std::string& path) override { return files.erase(path) == 1; }

  // Directories are only recorded; Replace does not need them.
  std::set<std::string> dirs;
  bool failMakeDirs = false;
  bool MakeDirs(const std::string& dir) override {
    if (failMakeDirs) return false;
    dirs.insert(dir);
    return true;
  }

  // Directories (with their trailing "/") where no file can be created.
  std::set<std::string> readOnlyDirs;
  bool CanCreateIn(const std::string& dir) override { return readOnlyDirs.count(dir) == 0; }

  std::optional<std::vector<std::string>> List(const std::string& dir) override {
    std::string prefix = dir;
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    prefix = prefix == "." ? "" : prefix + "/";
    std::vector<std::string> names;
    for (const auto& [path, content] : files) {
      if (path.compare(0, prefix.size(), prefix) != 0) continue;
      const std::string name = path.substr(prefix.size());
      if (name.find('/') == std::string::npos) names.push_back(name);
    }
    // A folder exists when it holds a file or was made; else it cannot be
    // listed, as on a disk.
    const std::string bare = prefix.empty() ? "" : prefix.substr(0, prefix.size() - 1);
    if (names.empty() && !prefix.empty() && !dirs.count(bare) && !dirs.count(prefix))
      return std::nullopt;
    return names;
  }
};

}  // namespace stanzo::testing
