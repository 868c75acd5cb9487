// The stand-in player, driven by a plain POSIX client on loopback.
#include "standin/standin_player.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace stanzo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLong = 10s;  // generous deadline for conditions that must hold

// A blocking loopback client with deadline-bound reads.
class Peer {
 public:
  explicit Peer(uint16_t port, int rcvbuf = 0) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (rcvbuf > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~Peer() { Close(); }
  bool connected() const { return connected_; }
  int fd() const { return fd_; }

  void Write(const std::string& bytes) {
    std::size_t off = 0;
    while (off < bytes.size()) {
      const ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
      ASSERT_GT(n, 0) << errno;
      off += static_cast<std::size_t>(n);
    }
  }

  // Reads until `want` bytes arrived, the peer closed, or the deadline.
  // Sets *error to the failing errno (0 when none).
  std::string Read(std::size_t want, std::chrono::milliseconds timeout = kLong,
                   int* error = nullptr, bool* eof = nullptr) {
    std::string got;
    if (error) *error = 0;
    if (eof) *eof = false;
    const auto deadline = Clock::now() + timeout;
    while (got.size() < want) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buf[4096];
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n < 0) {
        if (error) *error = errno;
        break;
      }
      if (n == 0) {
        if (eof) *eof = true;
        break;
      }
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

StandinPlayer::Options Quiet() {
  StandinPlayer::Options o;
  o.greeting.clear();
  return o;
}

TEST(StandinPlayerTest, GreetsEachClientWithVlcBannerUnlessSwitchedOff) {
  EXPECT_EQ(kVlc3Greeting,
            "VLC media player 3.0.24 Vetinari\nCommand Line Interface initialized. Type `help' "
            "for help.\r\n> ");
  StandinPlayer player;
  ASSERT_NE(player.Port(), 0);
  Peer a(player.Port());
  Peer b(player.Port());
  ASSERT_TRUE(a.connected() && b.connected());
  EXPECT_EQ(a.Read(kVlc3Greeting.size()), kVlc3Greeting);
  EXPECT_EQ(b.Read(kVlc3Greeting.size()), kVlc3Greeting);

  player.SetGreeting("");
  Peer c(player.Port());
  ASSERT_TRUE(player.WaitForClients(3, kLong));
  player.Send("mark");
  EXPECT_EQ(c.Read(4), "mark");  // nothing came before the marker
}

TEST(StandinPlayerTest, SplitsAtLineFeedAndKeepsEveryOtherByte) {
  struct Case {
    const char* name;
    std::vector<std::string> writes;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"plain", {"@m1 marq-marquee Hello\n"}, {"@m1 marq-marquee Hello"}},
      {"two in one write", {"a\nb\n"}, {"a", "b"}},
      {"CR kept", {"x\r\n"}, {"x\r"}},
      {"empty line", {"\n"}, {""}},
      {"split over writes", {"ab", "c", "\nd\n"}, {"abc", "d"}},
      {"NUL and high bytes", {std::string("a\0b\xff\xfe\n", 6)}, {std::string("a\0b\xff\xfe", 5)}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    StandinPlayer player(Quiet());
    Peer peer(player.Port());
    // Separate writes usually arrive separately; the 1 MB case below
    // always spans many receives.
    for (const auto& w : tc.writes) peer.Write(w);
    ASSERT_TRUE(player.WaitForLines(tc.lines.size(), kLong));
    EXPECT_EQ(player.LineTexts(), tc.lines);
    for (const auto& line : player.Lines()) {
      EXPECT_EQ(line.client, 1);
      EXPECT_TRUE(line.complete);
    }
  }
}

TEST(StandinPlayerTest, RepliesFromTheTableToTheSenderOnly) {
  struct Case {
    const char* name;
    std::string unmatched;
    std::string sent;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"matched", "", "status\n", "state playing\r\n> "},
      {"match is exact: CR counts", "", "status\r\nmark\n", "<mark>\r\n> "},
      {"unmatched is silent", "", "volume\nmark\n", "<mark>\r\n> "},
      {"unmatched prompt", "> ", "volume\nmark\n", "> <mark>\r\n> "},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    StandinPlayer::Options o = Quiet();
    o.unmatched_reply = tc.unmatched;
    StandinPlayer player(o);
    player.SetReplies({{"status", "state playing"}, {"mark", "<mark>"}});
    Peer sender(player.Port());
    Peer other(player.Port());
    ASSERT_TRUE(player.WaitForClients(2, kLong));
    sender.Write(tc.sent);
    EXPECT_EQ(sender.Read(tc.expected.size()), tc.expected);
    EXPECT_EQ(sender.Read(1, 50ms), "");  // nothing beyond it
    EXPECT_EQ(other.Read(1, 50ms), "");
  }
}

TEST(StandinPlayerTest, SendReachesEveryClientAndIdsFollowAcceptOrder) {
  StandinPlayer player(Quiet());
  Peer a(player.Port());
  ASSERT_TRUE(player.WaitForClients(1, kLong));
  Peer b(player.Port());
  ASSERT_TRUE(player.WaitForClients(2, kLong));
  player.Send("R1\r\nR2\r\n");
  EXPECT_EQ(a.Read(8), "R1\r\nR2\r\n");
  EXPECT_EQ(b.Read(8), "R1\r\nR2\r\n");

  const auto before = Clock::now();
  a.Write("from a\n");
  ASSERT_TRUE(player.WaitForLines(1, kLong));
  b.Write("from b\n");
  ASSERT_TRUE(player.WaitForLines(2, kLong));
  const auto lines = player.Lines();
  EXPECT_EQ(lines[0].client, 1);
  EXPECT_EQ(lines[0].text, "from a");
  EXPECT_EQ(lines[1].client, 2);
  EXPECT_LE(before, lines[0].at);
  EXPECT_LE(lines[0].at, lines[1].at);
  EXPECT_EQ(player.ConnectedCount(), 2);
}

TEST(StandinPlayerTest, LinkCommandsAsTheClientSeesThem) {
  enum class Action { kClose, kReset, kClientCloses };
  struct Case {
    const char* name;
    Action action;
    std::string reply_before;  // sent just before the action
    bool expect_reset;
  };
  const std::vector<Case> cases = {
      {"close flushes, then FIN", Action::kClose, "bye\r\n", false},
      {"reset gives RST", Action::kReset, "", true},
      {"client closes", Action::kClientCloses, "", false},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    StandinPlayer player(Quiet());
    Peer peer(player.Port());
    ASSERT_TRUE(player.WaitForClients(1, kLong));
    if (!tc.reply_before.empty()) player.Send(tc.reply_before);
    if (tc.action == Action::kClose) player.CloseAll();
    if (tc.action == Action::kReset) player.ResetAll();
    if (tc.action == Action::kClientCloses) {
      peer.Write("unterminated");
      peer.Close();
      ASSERT_TRUE(player.WaitForDisconnect(kLong));
      ASSERT_EQ(player.LineCount(), 1u);
      EXPECT_EQ(player.Lines()[0].text, "unterminated");
      EXPECT_FALSE(player.Lines()[0].complete);
      EXPECT_EQ(player.ConnectedCount(), 0);
      continue;
    }
    int error = 0;
    bool eof = false;
    const std::string got = peer.Read(1 << 20, kLong, &error, &eof);
    EXPECT_EQ(got, tc.reply_before);
    if (tc.expect_reset) {
      EXPECT_EQ(error, ECONNRESET);
    } else {
      EXPECT_TRUE(eof);
      // Half-closed: the client's last words are still recorded, and the
      // player lets go once the client closes.
      peer.Write("last\n");
      ASSERT_TRUE(player.WaitForLines(1, kLong));
      EXPECT_EQ(player.LineTexts()[0], "last");
      peer.Close();
    }
    ASSERT_TRUE(player.WaitForDisconnect(kLong));
    EXPECT_EQ(player.GoneCount(), 1);
  }
}

TEST(StandinPlayerTest, PausedPlayerBacksTheClientUpAndLosesNothing) {
  StandinPlayer::Options o = Quiet();
  o.receive_buffer = 4096;
  StandinPlayer player(o);
  player.PauseReading();
  Peer peer(player.Port());
  ASSERT_TRUE(player.WaitForClients(1, kLong));
  int sndbuf = 4096;
  ::setsockopt(peer.fd(), SOL_SOCKET, SO_SNDBUF, &sndbuf, sizeof sndbuf);

  // Non-blocking writes until the kernel refuses: the buffers are full.
  const std::string line(99, 'x');
  std::size_t lines_written = 0;
  std::string pending = line + "\n";
  std::size_t off = 0;
  const auto deadline = Clock::now() + kLong;
  bool blocked = false;
  while (Clock::now() < deadline) {
    const ssize_t n =
        ::send(peer.fd(), pending.data() + off, pending.size() - off, MSG_DONTWAIT | MSG_NOSIGNAL);
    if (n < 0) {
      ASSERT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK) << errno;
      blocked = true;
      break;
    }
    off += static_cast<std::size_t>(n);
    if (off == pending.size()) {
      ++lines_written;
      off = 0;
    }
  }
  ASSERT_TRUE(blocked);
  EXPECT_EQ(player.LineCount(), 0u);

  // Finish the partial line with blocking writes once reading resumes.
  player.ResumeReading();
  peer.Write(pending.substr(off));
  ++lines_written;
  ASSERT_TRUE(player.WaitForLines(lines_written, kLong));
  EXPECT_EQ(player.LineCount(), lines_written);
  for (const auto& text : player.LineTexts()) ASSERT_EQ(text, line);
}

TEST(StandinPlayerTest, HugeAndGarbageInputIsRecordedNotFatal) {
  struct Case {
    const char* name;
    std::size_t max_line;
    std::size_t line_size;
    std::vector<std::size_t> pieces;  // sizes of the recorded lines
  };
  const std::vector<Case> cases = {
      {"1 MB line kept whole", 16u << 20, 1u << 20, {1u << 20}},
      {"over the cap comes in pieces", 1000, 2500, {1000, 1000, 500}},
      {"exact multiple of the cap", 1000, 2000, {1000, 1000}},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    StandinPlayer::Options o = Quiet();
    o.max_line_bytes = tc.max_line;
    StandinPlayer player(o);
    Peer peer(player.Port());
    std::string big(tc.line_size, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131 + 7) % 251);
    for (char& ch : big) {
      if (ch == '\n') ch = 'n';
    }
    peer.Write(big + "\n");
    ASSERT_TRUE(player.WaitForLines(tc.pieces.size(), kLong));
    const auto lines = player.Lines();
    ASSERT_EQ(lines.size(), tc.pieces.size());
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].text.size(), tc.pieces[i]);
      EXPECT_EQ(lines[i].complete, i + 1 == lines.size());
      joined += lines[i].text;
    }
    EXPECT_TRUE(joined == big);
  }

  // A client that resets mid-line leaves the player serving others.
  StandinPlayer player(Quiet());
  {
    Peer rude(player.Port());
    rude.Write(std::string(70000, '\x01'));
    const linger lg{1, 0};
    ::setsockopt(rude.fd(), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
  }
  ASSERT_TRUE(player.WaitForDisconnect(kLong));
  const std::size_t before = player.LineCount();  // what the rude one left
  Peer polite(player.Port());
  polite.Write("ok\n");
  ASSERT_TRUE(player.WaitForLines(before + 1, kLong));
  EXPECT_TRUE(player.LineTexts().back() == "ok");
}

TEST(StandinPlayerTest, WaitsHonourTheirDeadlines) {
  StandinPlayer player(Quiet());
  const auto start = Clock::now();
  EXPECT_FALSE(player.WaitForLines(1, 100ms));
  EXPECT_FALSE(player.WaitForClients(1, 100ms));
  EXPECT_FALSE(player.WaitForDisconnect(100ms));
  EXPECT_GE(Clock::now() - start, 300ms);
  EXPECT_TRUE(player.WaitForLines(0, 0ms));
}

TEST(StandinPlayerTest, OnLineSeesEveryLineAndDestructorEndsLinks) {
  std::atomic<int> seen{0};
  StandinPlayer::Options o = Quiet();
  o.on_line = [&](const ReceivedLine& line) {
    if (line.text == "hello") ++seen;
  };
  auto player = std::make_unique<StandinPlayer>(o);
  Peer peer(player->Port());
  peer.Write("hello\nhello\n");
  ASSERT_TRUE(player->WaitForLines(2, kLong));
  EXPECT_EQ(seen.load(), 2);
  player->PauseReading();  // must not keep the destructor waiting
  player.reset();
  bool eof = false;
  int error = 0;
  peer.Read(1, kLong, &error, &eof);
  EXPECT_TRUE(eof || error != 0);
}

}  // namespace
}  // namespace stanzo
