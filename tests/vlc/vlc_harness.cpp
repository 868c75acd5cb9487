#include "vlc/vlc_harness.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace stanzo::vlctest {

namespace {

bool WaitChild(pid_t pid, int* status, Clock::time_point deadline) {
  while (true) {
    const pid_t r = waitpid(pid, status, WNOHANG);
    if (r == pid) return true;
    if (r < 0 && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(20));
  }
}

// Spawns argv with stdin from /dev/null, stdout to `outFd` (or /dev/null
// when negative) and stderr to `errFd` (likewise).
pid_t Spawn(const std::vector<std::string>& argv, int outFd, int errFd) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  if (outFd >= 0) {
    posix_spawn_file_actions_adddup2(&fa, outFd, 1);
  } else {
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  }
  if (errFd >= 0) {
    posix_spawn_file_actions_adddup2(&fa, errFd, 2);
  } else {
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  return rc == 0 ? pid : -1;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

bool EnterPrivateNetwork() {
  if (geteuid() != 0) return false;
  if (unshare(CLONE_NEWNET) != 0) return false;
  const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (s < 0) return false;
  ifreq ifr{};
  std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
  bool ok = ioctl(s, SIOCGIFFLAGS, &ifr) == 0;
  if (ok) {
    ifr.ifr_flags |= IFF_UP | IFF_RUNNING;
    ok = ioctl(s, SIOCSIFFLAGS, &ifr) == 0;
  }
  close(s);
  return ok;
}

int FreeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return -1;
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  int port = -1;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    port = ntohs(a.sin_port);
  }
  close(s);
  return port;
}

bool HaveProgram(const std::string& name) {
  return RunProgram({"sh", "-c", "command -v \"$0\"", name}, "", milliseconds(10000)) == 0;
}

std::string MissingProgram() {
  for (const char* p : {"vlc", "Xvfb", "ffmpeg", "tesseract"}) {
    if (!HaveProgram(p)) return p;
  }
  return {};
}

std::string MakeWorkDir(std::string tmpl) {
  if (!mkdtemp(tmpl.data())) return {};
  using std::filesystem::perms;
  std::error_code ec;
  std::filesystem::permissions(tmpl,
                               perms::owner_all | perms::group_read | perms::group_exec |
                                   perms::others_read | perms::others_exec,
                               ec);
  return ec ? std::string() : tmpl;
}

std::optional<BridgeLaunch> LaunchWithBridge(const std::vector<std::string>& launchWords,
                                             bool privateNetwork, std::string* error,
                                             bool keepMedia) {
  if (launchWords.size() < 2 || launchWords.front() != "/usr/bin/vlc") {
    *error = "unexpected default launch command";
    return std::nullopt;
  }
  BridgeLaunch l;
  for (auto it = launchWords.begin() + 1; it != launchWords.end(); ++it) {
    if (keepMedia || it->rfind("-", 0) == 0) l.args.push_back(*it);
  }
  if (privateNetwork) {
    l.port = 2323;
    l.cliPort = 2324;
    return l;
  }
  l.port = FreeLoopbackPort();
  do {
    l.cliPort = FreeLoopbackPort();
  } while (l.cliPort == l.port && l.cliPort > 0);
  bool replaced = false;
  for (auto& a : l.args) {
    if (a.rfind("--cli-host=", 0) == 0) {
      a = "--cli-host=127.0.0.1:" + std::to_string(l.cliPort);
      replaced = true;
    }
  }
  if (!replaced) {
    *error = "the default launch command has no --cli-host";
    return std::nullopt;
  }
  l.args.push_back("--lua-config=stanzo_bridge={host='127.0.0.1:" + std::to_string(l.port) +
                   "'},cli={host='127.0.0.1:" + std::to_string(l.cliPort) + "'}");
  return l;
}

int CountDifferent(const GrayFrame& a, const GrayFrame& b, Rect r, int tolerance) {
  if (a.width != b.width || a.height != b.height) return r.w * r.h;
  int n = 0;
  for (int y = r.y; y < r.y + r.h && y < a.height; ++y) {
    for (int x = r.x; x < r.x + r.w && x < a.width; ++x) {
      if (std::abs(int{a.At(x, y)} - int{b.At(x, y)}) > tolerance) ++n;
    }
  }
  return n;
}

int CountBright(const GrayFrame& f, Rect r, int level) {
  int n = 0;
  for (int y = r.y; y < r.y + r.h && y < f.height; ++y) {
    for (int x = r.x; x < r.x + r.w && x < f.width; ++x) {
      if (f.At(x, y) >= level) ++n;
    }
  }
  return n;
}

long ResidentKb(pid_t pid) {
  std::istringstream in(ReadFile("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

bool WritePgm(const GrayFrame& f, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "P5\n" << f.width << " " << f.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(f.pixels.data()),
            static_cast<std::streamsize>(f.pixels.size()));
  return static_cast<bool>(out);
}

std::string NormalizeText(std::string_view text) {
  std::string out;
  bool gap = false;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) && c < 0x80) {
      if (gap && !out.empty()) out += ' ';
      gap = false;
      out += static_cast<char>(std::tolower(c));
    } else {
      gap = true;
    }
  }
  return out;
}

double WordsFound(const std::string& expected, const std::string& ocr) {
  auto words = [](const std::string& text) {
    std::istringstream in(NormalizeText(text));
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
  };
  const auto want = words(expected);
  auto got = words(ocr);
  int found = 0;
  for (const auto& w : want) {
    const auto it = std::find(got.begin(), got.end(), w);
    if (it != got.end()) {
      ++found;
      got.erase(it);
    }
  }
  return want.empty() ? 1.0 : static_cast<double>(found) / static_cast<double>(want.size());
}

std::string ReadText(const GrayFrame& f, Rect r, const std::string& workDir, double scale) {
  // Bright text becomes black ink on white, resized, with a margin: the
  // form tesseract reads best.
  constexpr int kMargin = 16;
  const int w = static_cast<int>(r.w * scale);
  const int h = static_cast<int>(r.h * scale);
  GrayFrame page;
  page.width = w + 2 * kMargin;
  page.height = h + 2 * kMargin;
  page.pixels.assign(static_cast<size_t>(page.width) * page.height, 255);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int sx = r.x + static_cast<int>(x / scale);
      const int sy = r.y + static_cast<int>(y / scale);
      if (sx >= f.width || sy >= f.height) continue;
      if (f.At(sx, sy) >= 160) {
        page.pixels[static_cast<size_t>(y + kMargin) * page.width + x + kMargin] = 0;
      }
    }
  }
  static std::atomic<int> counter{0};
  const std::string base = workDir + "/ocr-" + std::to_string(++counter);
  if (!WritePgm(page, base + ".pgm")) return {};
  const int rc = RunProgram({"tesseract", base + ".pgm", base, "--psm", "6", "-l", "eng"},
                            base + ".log", milliseconds(60000));
  if (rc != 0) return {};
  return ReadFile(base + ".txt");
}

int RunProgram(const std::vector<std::string>& argv, const std::string& outputFile,
               milliseconds timeout) {
  int fd = -1;
  if (!outputFile.empty()) {
    fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
  }
  const pid_t pid = Spawn(argv, fd, fd);
  if (fd >= 0) close(fd);
  if (pid < 0) return -1;
  int status = 0;
  if (!WaitChild(pid, &status, Clock::now() + timeout)) {
    kill(pid, SIGKILL);
    WaitChild(pid, &status, Clock::now() + milliseconds(5000));
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// ---------------------------------------------------------------------------

VlcPlayer::VlcPlayer(std::string harness, std::string dir)
    : harness_(std::move(harness)), dir_(std::move(dir)) {}

VlcPlayer::~VlcPlayer() {
  Stop();
}

std::string VlcPlayer::EnvValue(const std::string& key) const {
  std::istringstream in(ReadFile(dir_ + "/env"));
  std::string line, value;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) == 0) value = line.substr(key.size() + 1);
  }
  return value;
}

bool VlcPlayer::StartAsLaunched(const std::vector<std::string>& vlcArgs, std::string* error) {
  std::vector<std::string> args = {"--as-launched"};
  args.insert(args.end(), vlcArgs.begin(), vlcArgs.end());
  return Start(args, error);
}

bool VlcPlayer::Start(const std::vector<std::string>& vlcArgs, std::string* error) {
  std::filesystem::create_directories(dir_);
  started_ = true;
  std::vector<std::string> argv = {harness_, "start", dir_, "--owner=" + std::to_string(getpid())};
  argv.insert(argv.end(), vlcArgs.begin(), vlcArgs.end());
  const std::string out = dir_ + "/harness.log";
  const int rc = RunProgram(argv, out, milliseconds(180000));
  display_ = EnvValue("DISPLAY");
  const std::string pid = EnvValue("VLC_PID");
  vlcPid_ = pid.empty() ? -1 : std::stoi(pid);
  if (rc != 0) {
    if (error) *error = "harness start failed (" + std::to_string(rc) + "): " + ReadFile(out);
    return false;
  }
  return true;
}

void VlcPlayer::Stop() {
  if (!started_) return;
  started_ = false;
  RunProgram({harness_, "stop", dir_}, dir_ + "/harness.log", milliseconds(60000));
  std::error_code ec;
  if (!getenv("STANZO_KEEP_VLC_DIR")) std::filesystem::remove_all(dir_, ec);
}

bool VlcPlayer::WaitExited(milliseconds timeout) const {
  if (vlcPid_ <= 0) return true;
  const auto deadline = Clock::now() + timeout;
  while (Clock::now() < deadline) {
    // The harness's shell started VLC, so it is not our child; it is gone
    // when signal 0 no longer reaches it or it is only a zombie.
    if (kill(vlcPid_, 0) != 0) return true;
    const std::string stat = ReadFile("/proc/" + std::to_string(vlcPid_) + "/stat");
    const auto close = stat.rfind(')');
    if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z') {
      return true;
    }
    std::this_thread::sleep_for(milliseconds(50));
  }
  return false;
}

std::string VlcPlayer::MakeVideo(const std::string& name, const std::string& colour) const {
  const int rc = RunProgram({harness_, "video", dir_, name, colour}, dir_ + "/harness.log",
                            milliseconds(120000));
  return rc == 0 ? dir_ + "/" + name + ".avi" : std::string();
}

bool VlcPlayer::Screenshot(const std::string& path) const {
  return RunProgram({harness_, "shot", dir_, path}, dir_ + "/harness.log", milliseconds(60000)) ==
         0;
}

std::string VlcPlayer::Log() const {
  return ReadFile(dir_ + "/vlc.log");
}

// ---------------------------------------------------------------------------

FrameStream::~FrameStream() {
  Stop();
}

bool FrameStream::Start(const std::string& display, std::string* error) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    if (error) *error = "pipe failed";
    return false;
  }
  pid_ = Spawn({"ffmpeg",
                "-nostdin",
                "-hide_banner",
                "-loglevel",
                "error",
                "-f",
                "x11grab",
                "-draw_mouse",
                "0",
                "-framerate",
                "50",
                "-video_size",
                std::to_string(kWidth) + "x" + std::to_string(kHeight),
                "-i",
                display + "+0,0",
                "-f",
                "rawvideo",
                "-pix_fmt",
                "gray",
                "-"},
               fds[1], -1);
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    if (error) *error = "cannot start ffmpeg";
    return false;
  }
  fd_ = fds[0];
  reader_ = std::thread([this] { ReadLoop(fd_); });
  return true;
}

void FrameStream::Stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitChild(pid_, &status, Clock::now() + milliseconds(5000))) {
      kill(pid_, SIGKILL);
      WaitChild(pid_, &status, Clock::now() + milliseconds(5000));
    }
    pid_ = -1;
  }
  if (reader_.joinable()) reader_.join();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void FrameStream::ReadLoop(int fd) {
  const size_t size = static_cast<size_t>(kWidth) * kHeight;
  uint64_t seq = 0;
  while (true) {
    GrayFrame f;
    f.width = kWidth;
    f.height = kHeight;
    f.pixels.resize(size);
    size_t got = 0;
    while (got < size) {
      const ssize_t n = read(fd, f.pixels.data() + got, size - got);
      if (n > 0) {
        got += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        std::lock_guard lock(mu_);
        ended_ = true;
        cv_.notify_all();
        return;
      }
    }
    f.at = Clock::now();
    f.seq = ++seq;
    std::lock_guard lock(mu_);
    latest_ = std::move(f);
    cv_.notify_all();
  }
}

std::optional<GrayFrame> FrameStream::Latest() const {
  std::lock_guard lock(mu_);
  return latest_;
}

std::optional<GrayFrame> FrameStream::WaitFor(const std::function<bool(const GrayFrame&)>& pred,
                                              milliseconds timeout, uint64_t after) const {
  const auto deadline = Clock::now() + timeout;
  std::unique_lock lock(mu_);
  uint64_t seen = after;
  if (seen == 0 && latest_) seen = latest_->seq;
  while (true) {
    if (latest_ && latest_->seq > seen) {
      seen = latest_->seq;
      const GrayFrame f = *latest_;
      lock.unlock();
      if (pred(f)) return f;
      lock.lock();
      continue;
    }
    if (ended_) return std::nullopt;
    if (cv_.wait_until(lock, deadline) == std::cv_status::timeout &&
        !(latest_ && latest_->seq > seen)) {
      return std::nullopt;
    }
  }
}

// ---------------------------------------------------------------------------

LineClient::~LineClient() {
  Close();
}

bool LineClient::Connect(int port, milliseconds timeout) {
  Close();
  const auto deadline = Clock::now() + timeout;
  while (true) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      closed_ = false;
      received_.clear();
      return true;
    }
    close(fd_);
    fd_ = -1;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(50));
  }
}

void LineClient::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool LineClient::SendRaw(std::string_view bytes) {
  if (fd_ < 0) return false;
  while (!bytes.empty()) {
    const ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool LineClient::ReadSome(Clock::time_point deadline) {
  if (fd_ < 0 || closed_) return false;
  const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return false;
  pollfd p{fd_, POLLIN, 0};
  const int r = poll(&p, 1, static_cast<int>(left));
  if (r <= 0) return false;
  char buf[65536];
  const ssize_t n = recv(fd_, buf, sizeof buf, 0);
  if (n <= 0) {
    closed_ = true;
    return false;
  }
  received_.append(buf, static_cast<size_t>(n));
  return true;
}

bool LineClient::ReadUntil(const std::function<bool(const std::string&)>& pred,
                           milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!pred(received_)) {
    if (closed_ || Clock::now() >= deadline) return pred(received_);
    ReadSome(deadline);
  }
  return true;
}

bool LineClient::ReadUntilEndsWith(std::string_view suffix, milliseconds timeout) {
  return ReadUntil(
      [suffix](const std::string& s) {
        return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(),
                                                      suffix.data(), suffix.size()) == 0;
      },
      timeout);
}

std::string LineClient::Take() {
  std::string out;
  out.swap(received_);
  return out;
}

bool LineClient::WaitClosed(milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!closed_ && Clock::now() < deadline) ReadSome(deadline);
  return closed_;
}

}  // namespace stanzo::vlctest
