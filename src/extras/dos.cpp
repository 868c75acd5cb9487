#include "extras/dos.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace stanzo {

namespace {

constexpr auto kWaitStep = std::chrono::milliseconds(100);

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

// Bytes that never need quoting for SplitCommandLine (nor for a shell).
bool IsPlainWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == '/' || c == ',' || c == ':' || c == '=' || c == '+' ||
         c == '@' || c == '%';
}

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
  plan.candidates = ProgramSearchPaths(plan.words.front());
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
[[noreturn]] void ExecChild(const SpawnPlan& plan, int statusFd) {
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

// Reads the status pipe to its end: false when the child reported an
// error before or instead of exec.
bool ExecSucceeded(int readFd) {
  int err = 0;
  ssize_t n;
  do {
    n = read(readFd, &err, sizeof err);
  } while (n < 0 && errno == EINTR);
  return n == 0;
}

pid_t WaitForPid(pid_t pid, int* status, int options) {
  pid_t r;
  do {
    r = waitpid(pid, status, options);
  } while (r < 0 && errno == EINTR);
  return r;
}

uint32_t ExitStatusCode(int status) {
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128U + static_cast<uint32_t>(WTERMSIG(status));
  return 0;
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

// Starts the program. With `wait` false the program is started through an
// intermediate child that exits at once and is reaped here, so the program
// is adopted by init (or the nearest subreaper) and never lingers as our
// zombie; no SIGCHLD handler is needed, which would steal the exit status
// of waited children. Returns the pid to wait for (wait true) or 0
// (wait false), or -1 when the program could not be started.
pid_t Spawn(const SpawnPlan& plan, bool wait) {
  Pipe status;
  if (!status.ok()) return -1;
  pid_t pid;
  {
    SignalBlock block;
    pid = fork();
    if (pid == 0) {
      if (wait) ExecChild(plan, status.writeFd());
      // _Fork, not fork: this is the child of a multi-threaded process,
      // where fork's atfork handlers and lock juggling are not
      // async-signal-safe; _Fork is.
      const pid_t grandchild = _Fork();
      if (grandchild < 0) FailChild(status.writeFd(), errno);
      if (grandchild == 0) ExecChild(plan, status.writeFd());
      _exit(0);
    }
  }
  if (pid < 0) return -1;
  status.CloseWrite();
  if (!wait) {
    int ignored = 0;
    WaitForPid(pid, &ignored, 0);  // the intermediate child exits at once
  }
  if (!ExecSucceeded(status.readFd())) {
    if (wait) {
      int ignored = 0;
      WaitForPid(pid, &ignored, 0);  // it exits right after reporting
    }
    return -1;
  }
  return wait ? pid : 0;
}

}  // namespace

std::vector<std::string> ProgramSearchPaths(const std::string& program) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return {program};
  const char* env = std::getenv("PATH");
  const std::string path = (env != nullptr) ? env : "/bin:/usr/bin";
  std::vector<std::string> paths;
  size_t start = 0;
  for (;;) {
    const size_t colon = path.find(':', start);
    const std::string dir = path.substr(start, colon == std::string::npos ? colon : colon - start);
    // An empty PATH entry means the current directory (the child's, when
    // a working directory is given).
    paths.push_back(dir.empty() ? program : dir + "/" + program);
    if (colon == std::string::npos) return paths;
    start = colon + 1;
  }
}

CompletedCommand CompleteWorkingDir(std::string_view exeDir, std::string_view workingDir,
                                    std::string_view commandLine) {
  if (workingDir.empty()) return {std::string(commandLine), std::string()};
  std::string dir(workingDir);
  // UTF-8 never has "/" inside a multi-byte character, so the last byte
  // decides.
  if (dir.back() != '/') dir += '/';
  // Only a leading "/" makes a path absolute here; there are no drive
  // letters to test for.
  if (dir.front() != '/') dir = std::string(exeDir) + dir;
  std::string command(commandLine);
  if (command.empty() || command.front() != '/') {
    // Quoted when needed, so a directory with blanks stays part of the
    // program's word when the line is split.
    command = QuoteWord(dir) + command;
  }
  return {std::move(command), std::move(dir)};
}

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;  // a quote alone ('' or "") makes an empty word
  size_t i = 0;
  const size_t n = line.size();
  while (i < n) {
    const char c = line[i];
    if (IsBlank(c)) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      ++i;
    } else if (c == '\\') {
      inWord = true;
      if (i + 1 == n) {  // a final lone backslash stays, as in a shell
        word += c;
        ++i;
      } else if (line[i + 1] == '\n') {  // line continuation
        i += 2;
      } else {
        word += line[i + 1];
        i += 2;
      }
    } else if (c == '\'') {
      inWord = true;
      const size_t close = line.find('\'', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      word.append(line.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == '"') {
      inWord = true;
      ++i;
      for (;;) {
        if (i == n) return std::nullopt;
        const char d = line[i];
        if (d == '"') {
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < n) {
          const char e = line[i + 1];
          if (e == '\n') {
            i += 2;
            continue;
          }
          if (e == '$' || e == '`' || e == '"' || e == '\\') {
            word += e;
            i += 2;
            continue;
          }
        }
        word += d;
        ++i;
      }
    } else {
      inWord = true;
      word += c;
      ++i;
    }
  }
  if (inWord) words.push_back(std::move(word));
  if (words.empty()) return std::nullopt;
  return words;
}

std::string QuoteWord(std::string_view word) {
  bool plain = !word.empty();
  for (char c : word) plain = plain && IsPlainWordByte(c);
  if (plain) return std::string(word);
  std::string out = "'";
  for (char c : word) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  out += '\'';
  return out;
}

std::string ExecutableDir() {
  std::string buf(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buf.size()) {
      buf.resize(static_cast<size_t>(n));
      break;
    }
    buf.resize(buf.size() * 2);
  }
  const size_t slash = buf.rfind('/');
  return slash == std::string::npos ? std::string() : buf.substr(0, slash + 1);
}

bool RunDosCommand(const std::string& commandLine, const std::string& workingDir, bool wait,
                   uint32_t& exitCode, const std::function<void()>& pumpEvents) {
  exitCode = 0;
  pid_t pid;
  try {
    const CompletedCommand completed =
        workingDir.empty() ? CompletedCommand{commandLine, std::string()}
                           : CompleteWorkingDir(ExecutableDir(), workingDir, commandLine);
    auto words = SplitCommandLine(completed.commandLine);
    if (!words) return false;
    const SpawnPlan plan = MakePlan(std::move(*words), completed.workingDir);
    if (plan.candidates.empty()) return false;
    pid = Spawn(plan, wait);
  } catch (const std::exception&) {  // out of memory while preparing
    return false;
  }
  if (pid < 0) return false;
  if (!wait) return true;

  // Pump and pause before the first test, so a wait lasts at least one
  // step even when the program ends at once. Each call waits for its own
  // pid only, so a pump that starts programs itself does no harm.
  for (;;) {
    if (pumpEvents) pumpEvents();
    std::this_thread::sleep_for(kWaitStep);
    int status = 0;
    const pid_t r = WaitForPid(pid, &status, WNOHANG);
    if (r == pid) {
      exitCode = ExitStatusCode(status);
      break;
    }
    if (r < 0) break;  // ECHILD: reaped elsewhere (SIGCHLD ignored); code unknown
  }
  return true;
}

}  // namespace stanzo
