#include "standin/standin_player.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace stanzo {

namespace {

using Clock = std::chrono::steady_clock;

// How long a gracefully closed client may keep its side open before its
// socket is closed anyway.
constexpr std::chrono::milliseconds kCloseLinger{2000};
constexpr std::size_t kReadChunk = 64 * 1024;
// Reads per client and wake-up, so that one flooding client cannot starve
// the others or the command queue.
constexpr int kReadsPerRound = 16;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

}  // namespace

struct StandinPlayer::Impl {
  enum class State {
    kOpen,        // reading and writing
    kClosing,     // FIN wanted once the outbox is flushed
    kHalfClosed,  // FIN sent; waiting for the client's close
    // Both closing states end at `deadline` at the latest.
  };

  struct Client {
    int id = 0;
    int fd = -1;
    State state = State::kOpen;
    std::string partial;  // bytes after the last LF
    std::string outbox;
    std::size_t sent = 0;  // bytes of outbox already sent
    Clock::time_point deadline;
  };

  enum class CommandKind { kSend, kClose, kReset, kPause, kResume };
  struct Command {
    CommandKind kind;
    std::string bytes;
  };

  explicit Impl(Options opts) : options(Normalized(std::move(opts))), greeting(options.greeting) {}

  static Options Normalized(Options o) {
    if (o.max_line_bytes == 0) o.max_line_bytes = 1;
    return o;
  }

  void Open();
  void Run();
  void RunCommand(const Command& command);
  void AcceptClients();
  void ReadClient(Client& client);
  void EmitLine(Client& client, std::string_view text, bool ended);
  void RecordLine(Client& client, std::string text, bool complete);
  void Flush(Client& client);
  void StartClose(Client& client);
  void Finish(Client& client, bool abortive);
  void Post(Command command);
  void Wake();
  template <typename Pred>
  bool WaitUntil(std::chrono::milliseconds timeout, Pred pred) const;

  const Options options;
  int listen_fd = -1;
  int wake_fd = -1;
  uint16_t port = 0;
  std::thread thread;

  // Owned by the serving thread.
  std::vector<std::unique_ptr<Client>> clients;
  bool paused = false;
  std::string read_buf = std::string(kReadChunk, '\0');

  mutable std::mutex mu;
  mutable std::condition_variable cv;
  // Guarded by mu.
  bool stop = false;
  std::deque<Command> commands;
  uint64_t posted = 0;
  uint64_t done = 0;
  std::map<std::string, std::string> replies;
  std::string greeting;
  std::vector<ReceivedLine> lines;
  int accepted = 0;
  int gone = 0;
};

void StandinPlayer::Impl::Open() {
  listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listen_fd < 0) ThrowErrno("socket");
  const int one = 1;
  ::setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  // Accepted sockets inherit the buffer size; setting it before listen()
  // also lets the window scale match it.
  if (options.receive_buffer > 0) {
    ::setsockopt(listen_fd, SOL_SOCKET, SO_RCVBUF, &options.receive_buffer,
                 sizeof options.receive_buffer);
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(options.port);
  if (::bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ThrowErrno("bind");
  }
  if (::listen(listen_fd, 64) != 0) ThrowErrno("listen");
  socklen_t len = sizeof addr;
  if (::getsockname(listen_fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ThrowErrno("getsockname");
  }
  port = ntohs(addr.sin_port);
  wake_fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_fd < 0) ThrowErrno("eventfd");
}

void StandinPlayer::Impl::Wake() {
  const uint64_t one = 1;
  // A full counter still leaves the eventfd readable, so a failed write
  // loses no wake-up.
  [[maybe_unused]] ssize_t n = ::write(wake_fd, &one, sizeof one);
}

void StandinPlayer::Impl::Post(Command command) {
  uint64_t ticket;
  {
    std::lock_guard<std::mutex> lock(mu);
    commands.push_back(std::move(command));
    ticket = ++posted;
  }
  Wake();
  std::unique_lock<std::mutex> lock(mu);
  cv.wait(lock, [&] { return done >= ticket; });
}

template <typename Pred>
bool StandinPlayer::Impl::WaitUntil(std::chrono::milliseconds timeout, Pred pred) const {
  std::unique_lock<std::mutex> lock(mu);
  return cv.wait_for(lock, timeout, pred);
}

void StandinPlayer::Impl::Run() {
  std::vector<pollfd> fds;
  for (;;) {
    fds.clear();
    fds.push_back({wake_fd, POLLIN, 0});
    fds.push_back({listen_fd, POLLIN, 0});
    int timeout_ms = -1;
    const auto now = Clock::now();
    for (const auto& c : clients) {
      short events = 0;
      if (!paused) events |= POLLIN;
      if (c->sent < c->outbox.size()) events |= POLLOUT;
      // A negative fd is skipped by poll(); without it a paused client
      // whose peer has hung up would report POLLHUP in a busy loop.
      fds.push_back({events != 0 ? c->fd : -1, events, 0});
      if (c->state != State::kOpen) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(c->deadline - now).count();
        const int ms = left <= 0 ? 0 : static_cast<int>(left) + 1;
        if (timeout_ms < 0 || ms < timeout_ms) timeout_ms = ms;
      }
    }
    const int ready = ::poll(fds.data(), fds.size(), timeout_ms);
    if (ready < 0 && errno != EINTR) {
      // Nothing sensible is left to do; keep serving commands slowly rather
      // than spinning.
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
      uint64_t count;
      [[maybe_unused]] ssize_t n = ::read(wake_fd, &count, sizeof count);
    }
    std::deque<Command> batch;
    {
      std::lock_guard<std::mutex> lock(mu);
      if (stop) break;
      batch.swap(commands);
    }
    // Client i's poll entry is fds[i + 2]; commands may add no client but
    // can finish some, so handle socket events first, then commands.
    if (ready > 0) {
      for (std::size_t i = 0; i < clients.size() && i + 2 < fds.size(); ++i) {
        Client& c = *clients[i];
        const short re = fds[i + 2].revents;
        if (re == 0 || c.fd < 0) continue;
        if ((re & POLLOUT) != 0 || ((re & (POLLERR | POLLHUP)) != 0 && c.sent < c.outbox.size())) {
          Flush(c);
        }
        if (c.fd >= 0 && !paused && (re & (POLLIN | POLLHUP | POLLERR)) != 0) ReadClient(c);
      }
      if ((fds[1].revents & POLLIN) != 0) AcceptClients();
    }
    for (const Command& command : batch) {
      RunCommand(command);
      {
        std::lock_guard<std::mutex> lock(mu);
        ++done;
      }
      cv.notify_all();
    }
    const auto after = Clock::now();
    for (auto& c : clients) {
      if (c->fd >= 0 && c->state != State::kOpen && after >= c->deadline) {
        Finish(*c, false);
      }
    }
    std::erase_if(clients, [](const auto& c) { return c->fd < 0; });
  }
  for (auto& c : clients) CloseFd(c->fd);
  clients.clear();
}

void StandinPlayer::Impl::RunCommand(const Command& command) {
  switch (command.kind) {
    case CommandKind::kSend:
      for (auto& c : clients) {
        if (c->fd < 0 || c->state != State::kOpen) continue;
        c->outbox += command.bytes;
        Flush(*c);
      }
      break;
    case CommandKind::kClose:
      for (auto& c : clients) {
        if (c->fd >= 0 && c->state == State::kOpen) StartClose(*c);
      }
      break;
    case CommandKind::kReset:
      for (auto& c : clients) {
        if (c->fd >= 0) Finish(*c, true);
      }
      break;
    case CommandKind::kPause:
      paused = true;
      break;
    case CommandKind::kResume:
      paused = false;
      break;
  }
}

void StandinPlayer::Impl::AcceptClients() {
  for (;;) {
    const int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN, or out of descriptors: try again at the next wake-up
    }
    auto client = std::make_unique<Client>();
    client->fd = fd;
    {
      std::lock_guard<std::mutex> lock(mu);
      client->id = ++accepted;
      client->outbox = greeting;
    }
    cv.notify_all();
    Flush(*client);
    clients.push_back(std::move(client));
  }
}

void StandinPlayer::Impl::ReadClient(Client& c) {
  for (int round = 0; round < kReadsPerRound && c.fd >= 0; ++round) {
    const ssize_t n = ::recv(c.fd, read_buf.data(), read_buf.size(), MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      Finish(c, false);  // reset or other error: the client is gone
      return;
    }
    if (n == 0) {
      Finish(c, false);
      return;
    }
    // Split at LF; scan only the new bytes.
    std::size_t scan = c.partial.size();
    c.partial.append(read_buf.data(), static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t pos; (pos = c.partial.find('\n', scan)) != std::string::npos;) {
      EmitLine(c, std::string_view(c.partial).substr(start, pos - start), true);
      start = scan = pos + 1;
    }
    c.partial.erase(0, start);
    if (c.partial.size() > options.max_line_bytes) {
      // Keep 1..max bytes back, so that the pieces do not depend on how
      // the bytes arrived.
      const std::size_t max = options.max_line_bytes;
      const std::size_t cut = (c.partial.size() - 1) / max * max;
      EmitLine(c, std::string_view(c.partial).substr(0, cut), false);
      c.partial.erase(0, cut);
    }
    if (c.fd >= 0 && c.sent < c.outbox.size()) Flush(c);
  }
}

// Records `text` in pieces of at most max_line_bytes; every piece but the
// last of an ended line is incomplete.
void StandinPlayer::Impl::EmitLine(Client& c, std::string_view text, bool ended) {
  const std::size_t max = options.max_line_bytes;
  while (text.size() > max || (!ended && !text.empty())) {
    const std::size_t piece = std::min(max, text.size());
    RecordLine(c, std::string(text.substr(0, piece)), false);
    text.remove_prefix(piece);
  }
  if (ended) RecordLine(c, std::string(text), true);
}

void StandinPlayer::Impl::RecordLine(Client& c, std::string text, bool complete) {
  ReceivedLine line{c.id, std::move(text), complete, Clock::now()};
  // The callback runs before the line is visible to the waits, so a test
  // that has waited for n lines has also seen n callbacks.
  if (options.on_line) options.on_line(line);
  std::string reply;
  bool has_reply = false;
  {
    std::lock_guard<std::mutex> lock(mu);
    if (complete && c.state == State::kOpen) {
      auto it = replies.find(line.text);
      if (it != replies.end()) {
        reply = it->second + options.reply_suffix;
        has_reply = true;
      } else if (!options.unmatched_reply.empty()) {
        reply = options.unmatched_reply;
        has_reply = true;
      }
    }
    lines.push_back(std::move(line));
  }
  cv.notify_all();
  if (has_reply) c.outbox += reply;
}

void StandinPlayer::Impl::Flush(Client& c) {
  while (c.fd >= 0 && c.sent < c.outbox.size()) {
    const ssize_t n = ::send(c.fd, c.outbox.data() + c.sent, c.outbox.size() - c.sent,
                             MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) return;
      Finish(c, false);
      return;
    }
    c.sent += static_cast<std::size_t>(n);
  }
  if (c.fd < 0) return;
  c.outbox.clear();
  c.sent = 0;
  if (c.state == State::kClosing) {
    ::shutdown(c.fd, SHUT_WR);
    c.state = State::kHalfClosed;
  }
}

void StandinPlayer::Impl::StartClose(Client& c) {
  c.state = State::kClosing;
  c.deadline = Clock::now() + kCloseLinger;
  Flush(c);
}

void StandinPlayer::Impl::Finish(Client& c, bool abortive) {
  if (c.fd < 0) return;
  if (!c.partial.empty()) {
    std::string rest;
    rest.swap(c.partial);
    EmitLine(c, rest, false);
  }
  if (abortive) {
    const linger lg{1, 0};
    ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
  }
  CloseFd(c.fd);
  c.outbox.clear();
  c.sent = 0;
  {
    std::lock_guard<std::mutex> lock(mu);
    ++gone;
  }
  cv.notify_all();
}

StandinPlayer::StandinPlayer() : StandinPlayer(Options()) {}

StandinPlayer::StandinPlayer(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {
  try {
    impl_->Open();
  } catch (...) {
    CloseFd(impl_->listen_fd);
    CloseFd(impl_->wake_fd);
    throw;
  }
  impl_->thread = std::thread([impl = impl_.get()] { impl->Run(); });
}

StandinPlayer::~StandinPlayer() {
  {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->stop = true;
  }
  impl_->Wake();
  impl_->thread.join();
  CloseFd(impl_->listen_fd);
  CloseFd(impl_->wake_fd);
}

uint16_t StandinPlayer::Port() const {
  return impl_->port;
}

void StandinPlayer::SetReply(const std::string& line, const std::string& reply) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->replies[line] = reply;
}

void StandinPlayer::SetReplies(std::map<std::string, std::string> replies) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->replies = std::move(replies);
}

void StandinPlayer::SetGreeting(const std::string& greeting) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->greeting = greeting;
}

void StandinPlayer::Send(std::string_view bytes) {
  impl_->Post({Impl::CommandKind::kSend, std::string(bytes)});
}
void StandinPlayer::CloseAll() {
  impl_->Post({Impl::CommandKind::kClose, {}});
}
void StandinPlayer::ResetAll() {
  impl_->Post({Impl::CommandKind::kReset, {}});
}
void StandinPlayer::PauseReading() {
  impl_->Post({Impl::CommandKind::kPause, {}});
}
void StandinPlayer::ResumeReading() {
  impl_->Post({Impl::CommandKind::kResume, {}});
}

std::vector<ReceivedLine> StandinPlayer::Lines() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->lines;
}

std::vector<std::string> StandinPlayer::LineTexts() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  std::vector<std::string> texts;
  texts.reserve(impl_->lines.size());
  for (const auto& line : impl_->lines) texts.push_back(line.text);
  return texts;
}

std::size_t StandinPlayer::LineCount() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->lines.size();
}

int StandinPlayer::ConnectedCount() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->accepted - impl_->gone;
}

int StandinPlayer::AcceptedCount() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->accepted;
}

int StandinPlayer::GoneCount() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->gone;
}

bool StandinPlayer::WaitForLines(std::size_t n, std::chrono::milliseconds timeout) const {
  return impl_->WaitUntil(timeout, [&] { return impl_->lines.size() >= n; });
}

bool StandinPlayer::WaitForClients(int n, std::chrono::milliseconds timeout) const {
  return impl_->WaitUntil(timeout, [&] { return impl_->accepted >= n; });
}

bool StandinPlayer::WaitForDisconnect(std::chrono::milliseconds timeout, int n) const {
  return impl_->WaitUntil(timeout, [&] { return impl_->gone >= n; });
}

}  // namespace stanzo
