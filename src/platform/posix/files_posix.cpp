#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "platform/files.h"

namespace stanzo::platform {
namespace {

// Writes all of `bytes` to `fd`; false on any failure (full disk, file size
// limit, I/O error).
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Overwrites a non-regular file (a device, a pipe) in place: such a target
// cannot be replaced by renaming and must not be. O_NONBLOCK keeps a pipe
// without a reader from hanging the caller; it is cleared once open.
FileResult WriteInPlace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return FileResult::CannotCreate;
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  const bool ok = WriteAll(fd, bytes);
  const bool closed = ::close(fd) == 0;
  return ok && closed ? FileResult::Ok : FileResult::WriteFailed;
}

// Replacing a symbolic link by renaming would cut the link; the file it
// points at is written instead. A dangling link is written through to its
// (new) target like an ordinary missing file.
std::string ResolveLink(const std::string& path) {
  struct stat lst;
  if (::lstat(path.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  char link[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
  if (n <= 0) return path;
  link[n] = '\0';
  return link[0] == '/' ? std::string(link) : DirectoryOf(path) + "/" + link;
}

class PosixFiles final : public Files {
 public:
  // Any failure, to open or to read, is CannotOpen: the caller has touched
  // nothing yet.
  FileResult Read(const std::string& path, std::string* bytes) override {
    bytes->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? FileResult::Missing : FileResult::CannotOpen;
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n > 0) {
        bytes->append(buf, static_cast<size_t>(n));
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        ::close(fd);
        bytes->clear();
        return FileResult::CannotOpen;
      }
    }
    ::close(fd);
    return FileResult::Ok;
  }

  FileResult Replace(const std::string& path, std::string_view bytes) override {
    const std::string target = ResolveLink(path);
    struct stat st;
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
      if (S_ISDIR(st.st_mode)) return FileResult::CannotCreate;
      if (!S_ISREG(st.st_mode)) return WriteInPlace(target, bytes);
      // A file the operator made read-only stays protected, as it would be
      // for a program that opens the file itself for writing.
      if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return FileResult::CannotCreate;
      }
    }
    RemoveStaleTemps(*this, target);

    // Mode 0666 lets the umask decide, as for any newly created file. The
    // name is unique within this process; O_EXCL guards against the rest.
    static std::atomic<uint64_t> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      temp = TempNameFor(target, static_cast<uint64_t>(::getpid()), counter.fetch_add(1));
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return FileResult::CannotCreate;

    if (exists) {
      // Keep the replaced file's owner (when we may) and permission bits.
      if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
        (void)::fchown(fd, st.st_uid, st.st_gid);
      }
      (void)::fchmod(fd, st.st_mode & 07777);
    }

    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
      ::unlink(temp.c_str());
      return FileResult::WriteFailed;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
      ::unlink(temp.c_str());
      return FileResult::CannotCreate;
    }
    // Make the rename itself durable; the data is already safe either way.
    const int dirFd = ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
      (void)::fsync(dirFd);
      ::close(dirFd);
    }
    return FileResult::Ok;
  }

  bool Remove(const std::string& path) override { return ::unlink(path.c_str()) == 0; }

  std::optional<std::vector<std::string>> List(const std::string& dir) override {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
  }
};

}  // namespace

Files& Files::Default() {
  static PosixFiles files;
  return files;
}

}  // namespace stanzo::platform
