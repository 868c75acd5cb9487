// Test helpers for code that reads and writes files: a private temporary
// directory, whole-file access, and running a step without root's power to
// ignore file permissions (the suite runs as root in CI).
#pragma once

#include <dirent.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

namespace stanzo::files_test {

// A fresh directory under /tmp, removed with everything in it at the end.
// Mode 0755 so that RunUnprivileged can reach it.
class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/stanzo-test-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) path_ = pattern;
    ::chmod(path_.c_str(), 0755);
  }
  ~TempDir() {
    ::chmod(path_.c_str(), 0755);
    std::system(("rm -rf '" + path_ + "'").c_str());
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // The names in the directory: a failed save must leave no temporary.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    DIR* d = ::opendir(path_.c_str());
    if (d == nullptr) return names;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    ::closedir(d);
    return names;
  }

 private:
  std::string path_;
};

inline void PutFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string GetFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `action` and returns its result. As root it runs in a child process
// switched to the user "nobody", so permission bits bind as they would for
// an operator.
inline std::string RunUnprivileged(const std::function<std::string()>& action) {
  if (::geteuid() != 0) return action();
  int fds[2];
  if (::pipe(fds) != 0) return "(pipe failed)";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string result = "(could not drop privileges)";
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) result = action();
    const char* p = result.data();
    size_t left = result.size();
    while (left > 0) {
      const ssize_t n = ::write(fds[1], p, left);
      if (n <= 0) break;
      p += n, left -= static_cast<size_t>(n);
    }
    ::_exit(0);  // no exit handlers: they belong to the parent
  }
  ::close(fds[1]);
  std::string result;
  char buf[512];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    result.append(buf, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return result;
}

}  // namespace stanzo::files_test
