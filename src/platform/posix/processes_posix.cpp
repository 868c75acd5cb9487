#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>

#include "base/command_line.h"
#include "platform/processes.h"

namespace stanzo::platform {
namespace {

// Everything the child needs, built before fork(): between fork() and
// exec() the child of a multi-threaded process may only make
// async-signal-safe calls, so it must not allocate.
struct SpawnPlan {
  std::vector<std::string> words;
  std::vector<char*> argv;
  std::vector<std::string> candidates;  // ProgramSearchPaths, tried in turn
  std::string workingDir;               // empty: stay in the console's
  rlim_t fdLimit = 0;                   // for the close-on-exec fallback loop
};

SpawnPlan MakePlan(std::vector<std::string> words, std::string workingDir) {
  SpawnPlan plan;
  plan.words = std::move(words);
  for (auto& w : plan.words) plan.argv.push_back(w.data());
  plan.argv.push_back(nullptr);
  plan.candidates = ProgramSearchPaths(plan.words.front(), std::getenv("PATH"));
  plan.workingDir = std::move(workingDir);
  struct rlimit rl {};
  plan.fdLimit = (getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY)
                     ? rl.rlim_cur
                     : static_cast<rlim_t>(65536);
  return plan;
}

// Writes errno to the status pipe and ends the process. Only
// async-signal-safe calls.
[[noreturn]] void FailChild(int statusFd, int err) {
  while (write(statusFd, &err, sizeof err) < 0 && errno == EINTR) {
  }
  _exit(127);
}

// Runs in the (grand)child. Only async-signal-safe calls from here on.
// `errorFd` >= 0 becomes the program's standard error.
[[noreturn]] void ExecChild(const SpawnPlan& plan, int statusFd, int errorFd) {
  // Handlers and ignored signals of the console (a TCP client typically
  // ignores SIGPIPE) must not carry over into the started program; the
  // mask was fully blocked by the parent around fork().
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig != SIGKILL && sig != SIGSTOP) signal(sig, SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  // A session of its own: no controlling terminal, and no signal sent to
  // the console's process group or session reaches it.
  if (setsid() < 0) FailChild(statusFd, errno);

  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (devNull < 0) FailChild(statusFd, errno);
  if (dup2(devNull, STDIN_FILENO) < 0) FailChild(statusFd, errno);  // dup2 clears CLOEXEC
  if (errorFd >= 0 && dup2(errorFd, STDERR_FILENO) < 0) FailChild(statusFd, errno);

  // Every descriptor above stderr closes on exec: the console's sockets
  // must not leak into the started program. The status pipe stays open
  // until exec succeeds, which is what tells the parent it did.
  if (syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) != 0) {
    for (rlim_t fd = 3; fd < plan.fdLimit; ++fd) {
      const int flags = fcntl(static_cast<int>(fd), F_GETFD);
      if (flags >= 0) fcntl(static_cast<int>(fd), F_SETFD, flags | FD_CLOEXEC);
    }
  }

  if (!plan.workingDir.empty() && chdir(plan.workingDir.c_str()) < 0) {
    FailChild(statusFd, errno);
  }

  // execvp's search, without its fallback of running a file that has no
  // interpreter line through /bin/sh: no shell ever runs.
  int err = ENOENT;
  bool sawAccessDenied = false;
  for (const auto& candidate : plan.candidates) {
    execv(candidate.c_str(), plan.argv.data());
    err = errno;
    if (err == EACCES) {
      sawAccessDenied = true;
    } else if (err != ENOENT && err != ENOTDIR && err != ESTALE && err != ELOOP &&
               err != ENAMETOOLONG && err != ENODEV && err != ETIMEDOUT) {
      break;  // found, but could not run it: report that
    }
  }
  FailChild(statusFd, sawAccessDenied ? EACCES : err);
}

pid_t WaitForPid(pid_t pid, int* status, int options) {
  pid_t r;
  do {
    r = waitpid(pid, status, options);
  } while (r < 0 && errno == EINTR);
  return r;
}

// Blocks every signal for the calling thread while alive, so that no
// handler runs in a child between fork() and the reset in ExecChild.
class SignalBlock {
 public:
  SignalBlock() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &saved_);
  }
  ~SignalBlock() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  SignalBlock(const SignalBlock&) = delete;
  SignalBlock& operator=(const SignalBlock&) = delete;

 private:
  sigset_t saved_{};
};

class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    CloseWrite();
    if (fds_[0] >= 0) close(fds_[0]);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool ok() const { return fds_[0] >= 0; }
  int readFd() const { return fds_[0]; }
  int writeFd() const { return fds_[1]; }
  void CloseWrite() {
    if (fds_[1] >= 0) close(fds_[1]);
    fds_[1] = -1;
  }

 private:
  int fds_[2] = {-1, -1};
};

// Closes every descriptor but `keep` (and the standard ones): a helper
// that lives as long as the program must not hold the console's sockets
// open. Async-signal-safe.
void CloseAllBut(int keep, rlim_t fdLimit) {
  const auto k = static_cast<unsigned>(keep);
  if (syscall(SYS_close_range, 3U, k - 1, 0U) == 0 && syscall(SYS_close_range, k + 1, ~0U, 0U) == 0)
    return;
  for (rlim_t fd = 3; fd < fdLimit; ++fd) {
    if (static_cast<int>(fd) != keep) close(static_cast<int>(fd));
  }
}

// How a started program is watched without ever leaving a zombie: the
// console forks a small helper, the helper forks and execs the program
// and then waits for it. When the program ends, the helper reaps it,
// sends its wait status over a socket and exits; when the console
// releases the program (or dies), the helper sees its end of the socket
// hang up and exits, and the program, still running, is adopted by init
// (or the nearest subreaper). The console only ever reaps the helper,
// which never outlives the watching by more than a moment, so no SIGCHLD
// handler is needed (one would steal the wait status of watched
// programs).
//
// Runs in the helper, a child of a multi-threaded process: only
// async-signal-safe calls, no allocation.
[[noreturn]] void WatchChild(pid_t program, int sock) {
  // A pid file descriptor wakes the wait the moment the program ends;
  // kernels without one get a short polling step instead.
  const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, program, 0));
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(program, &status, WNOHANG);
    if (r == program || (r < 0 && errno != EINTR)) {
      if (r == program) send(sock, &status, sizeof status, MSG_NOSIGNAL);
      _exit(0);
    }
    pollfd fds[2] = {{sock, POLLIN, 0}, {pidFd, POLLIN, 0}};
    const int n = poll(fds, pidFd >= 0 ? 2 : 1, pidFd >= 0 ? -1 : 20);
    if (n > 0 && fds[0].revents != 0) _exit(0);  // released, or the console is gone
  }
}

// The relay of a program whose standard error is read: a grandchild of the
// console beside the program, reading the program's standard error from
// `from` until its end. Every byte goes on to the console's standard error
// (inherited), and, while the console takes them, to `to`, a socket whose
// far end the console reads. It outlives the watching and the console: a
// program that writes to its standard error after the console has gone
// must not meet a pipe without a reader. In a session of its own, like the
// program, so that no signal for the console's terminal ends it first.
// Only async-signal-safe calls.
[[noreturn]] void RelayErrors(int from, int to) {
  if (dup2(from, STDIN_FILENO) < 0 || dup2(to, STDOUT_FILENO) < 0) _exit(1);
  if (syscall(SYS_close_range, 3U, ~0U, 0U) != 0) {
    for (int fd = 3; fd < 1024; ++fd) close(fd);
  }
  setsid();
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig != SIGKILL && sig != SIGSTOP) signal(sig, sig == SIGPIPE ? SIG_IGN : SIG_DFL);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  char buf[4096];
  bool forwarding = true;
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(0);
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(STDERR_FILENO, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) break;  // the console's standard error is gone: drop it
      done += w;
    }
    // A console that does not keep up loses bytes here, never the program.
    if (forwarding &&
        send(STDOUT_FILENO, buf, static_cast<size_t>(n), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
        errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
      forwarding = false;  // released, or the console has ended
    }
  }
}

uint32_t ExitStatusCode(int status) {
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128U + static_cast<uint32_t>(WTERMSIG(status));
  return 0;
}

class PosixProcesses final : public Processes {
 public:
  Started Start(const std::string& commandLine, const std::string& workingDir) override {
    return Launch(commandLine, workingDir, false);
  }

  Started StartReadingErrors(const std::string& commandLine,
                             const std::string& workingDir) override {
    return Launch(commandLine, workingDir, true);
  }

  std::string ReadErrors(Id id) override {
    Watched& w = watched_.at(id);
    std::string bytes;
    char buf[4096];
    while (w.errors >= 0) {
      const ssize_t n = recv(w.errors, buf, sizeof buf, MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // nothing more now (or the relay has ended)
      bytes.append(buf, static_cast<size_t>(n));
    }
    return bytes;
  }

  Status Poll(Id id) override {
    Watched& w = watched_.at(id);
    if (w.sock >= 0) {
      int status = 0;
      ssize_t n;
      do {
        n = recv(w.sock, &status, sizeof status, MSG_DONTWAIT);
      } while (n < 0 && errno == EINTR);
      if (n == static_cast<ssize_t>(sizeof status)) {
        w.status = {true, ExitStatusCode(status)};
        Finish(w);
      } else if (n == 0) {
        // The helper was killed before it could report: the program is
        // no longer watched, and its code is unknown.
        w.status = {true, 0};
        Finish(w);
      }
    }
    return w.status;
  }

  void Release(Id id) override {
    auto it = watched_.find(id);
    if (it == watched_.end()) return;
    Finish(it->second);
    CloseErrors(it->second);
    watched_.erase(it);
  }

  bool IsInstalled(const std::string& program) override {
    for (const std::string& candidate : ProgramSearchPaths(program, std::getenv("PATH"))) {
      struct stat st {};
      if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
          access(candidate.c_str(), X_OK) == 0)
        return true;
    }
    return false;
  }

 private:
  struct Watched {
    pid_t helper = -1;
    int sock = -1;  // closed once finished
    Status status;
    int errors = -1;  // the relay's socket, for a program whose errors are read
  };

  Started Launch(const std::string& commandLine, const std::string& workingDir, bool readErrors) {
    auto words = SplitCommandLine(commandLine);
    if (!words) return {0, "no program named, or a quote is not closed"};
    const SpawnPlan plan = MakePlan(std::move(*words), workingDir);
    if (plan.candidates.empty()) return {0, "no program named"};

    Pipe exec;  // the program's errno when exec fails; end of file when it succeeds
    int sv[2] = {-1, -1};
    if (!exec.ok() || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
      return {0, std::strerror(errno)};
    // The program's standard error, and the relay's socket to the console.
    std::optional<Pipe> errors;
    int fw[2] = {-1, -1};
    if (readErrors) {
      errors.emplace();
      if (!errors->ok() || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fw) != 0) {
        const int err = errno;
        close(sv[0]);
        close(sv[1]);
        return {0, std::strerror(err)};
      }
    }
    pid_t helper;
    {
      SignalBlock block;
      helper = fork();
      if (helper == 0) {
        close(sv[0]);
        // _Fork, not fork: this is the child of a multi-threaded process,
        // where fork's atfork handlers and lock juggling are not
        // async-signal-safe; _Fork is.
        // The relay first: a program whose standard error had no reader
        // would fail at its first error line. Not waited for: when the
        // helper ends, init adopts and reaps it.
        if (errors) {
          const pid_t relay = _Fork();
          if (relay < 0) FailChild(exec.writeFd(), errno);
          if (relay == 0) RelayErrors(errors->readFd(), fw[1]);
        }
        const pid_t program = _Fork();
        if (program < 0) FailChild(exec.writeFd(), errno);
        if (program == 0) ExecChild(plan, exec.writeFd(), errors ? errors->writeFd() : -1);
        CloseAllBut(sv[1], plan.fdLimit);
        WatchChild(program, sv[1]);
      }
    }
    const int forkErr = errno;
    close(sv[1]);
    if (fw[1] >= 0) close(fw[1]);
    errors.reset();  // the program and the relay hold their ends
    if (helper < 0) {
      close(sv[0]);
      if (fw[0] >= 0) close(fw[0]);
      return {0, std::strerror(forkErr)};
    }
    exec.CloseWrite();
    const int err = ExecError(exec.readFd());
    if (err != 0) {
      close(sv[0]);  // the helper reaps the failed program and exits
      if (fw[0] >= 0) close(fw[0]);
      int ignored = 0;
      WaitForPid(helper, &ignored, 0);
      return {0, std::strerror(err)};
    }
    const Id id = ++lastId_;
    watched_[id] = Watched{helper, sv[0], {}, fw[0]};
    return {id, {}};
  }

  static void CloseErrors(Watched& w) {
    if (w.errors >= 0) close(w.errors);
    w.errors = -1;
  }

  // Closes the socket and reaps the helper, which exits at once when its
  // socket hangs up or right after it has reported.
  static void Finish(Watched& w) {
    if (w.sock < 0) return;
    close(w.sock);
    w.sock = -1;
    int ignored = 0;
    WaitForPid(w.helper, &ignored, 0);
  }

  // Reads the exec pipe to its end: 0 when exec succeeded, else the errno
  // the program reported.
  static int ExecError(int readFd) {
    int err = 0;
    ssize_t n;
    do {
      n = read(readFd, &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    if (n == 0) return 0;
    return n == static_cast<ssize_t>(sizeof err) && err != 0 ? err : EIO;
  }

  Id lastId_ = 0;
  std::map<Id, Watched> watched_;
};

}  // namespace

Processes& Processes::Default() {
  static PosixProcesses processes;
  return processes;
}

}  // namespace stanzo::platform
