// Test helpers for code that reads and writes files: a private temporary
// directory, whole-file access, and running a step without root's power to
// ignore file permissions (the suite runs as root in CI).
#pragma once

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

namespace stanzo::files_test {

// A fresh directory under the system's temporary directory, removed with
// everything in it at the end. Open to everyone (0777 less the umask) so
// that RunUnprivileged can reach it.
class TempDir {
 public:
  TempDir() {
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const fs::path dir = fs::temp_directory_path() / ("stanzo-test-" + std::to_string(stamp) +
                                                        "-" + std::to_string(counter.fetch_add(1)));
      std::error_code ec;
      if (fs::create_directory(dir, ec)) path_ = dir.string();
    }
    std::error_code ec;
    fs::permissions(path_,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    ec);
  }
  ~TempDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // The names in the directory: a failed save must leave no temporary.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path_, ec)) {
      names.insert(e.path().filename().string());
    }
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

#ifndef _WIN32
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
#endif

}  // namespace stanzo::files_test
