// TIdTCPClient against real sockets on 127.0.0.1, with small listeners and
// peers of the test's own. Waits poll with generous deadlines; timings
// assert their lower bounds tightly and their upper bounds loosely.
#include "link/tcp_client.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/tcp_connect.h"
#include "link/tcp_errors.h"
#include "link/tcp_resolve.h"
#include "platform/posix/sockets_posix.h"

namespace stanzo {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kDeadline = std::chrono::seconds(10);

long ElapsedMs(Clock::time_point since) {
  return static_cast<long>(std::chrono::duration_cast<milliseconds>(Clock::now() - since).count());
}

// An owned descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  ~Fd() { Reset(); }
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

sockaddr_in Loopback(int port) {
  sockaddr_in addr;
  std::memset(&addr, 0, sizeof addr);
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  return addr;
}

int LocalPort(int fd) {
  sockaddr_in addr;
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  return ntohs(addr.sin_port);
}

// A socket bound to 127.0.0.1 on a port the system picks; listening when
// `backlog` >= 0. Bound but not listening, it holds a port where a connect
// is refused.
Fd BoundSocket(int backlog) {
  Fd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in addr = Loopback(0);
  if (fd.get() < 0 || bind(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    throw std::runtime_error("bind failed");
  }
  if (backlog >= 0 && listen(fd.get(), backlog) != 0) throw std::runtime_error("listen failed");
  return fd;
}

bool WaitFor(int fd, short events, int timeout_ms) {
  pollfd pfd{fd, events, 0};
  int rc;
  do {
    rc = poll(&pfd, 1, timeout_ms);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

Fd Accept(int listener) {
  if (!WaitFor(listener, POLLIN, 10000)) return Fd();
  return Fd(accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
}

// Reads from a peer socket until `want` bytes or end of stream.
std::string PeerRead(int fd, std::size_t want) {
  std::string got;
  char buf[65536];
  while (got.size() < want && WaitFor(fd, POLLIN, 10000)) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

// True when the peer sees the end of the stream within the deadline.
bool PeerSeesEof(int fd) {
  char buf[4096];
  while (WaitFor(fd, POLLIN, 10000)) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n == 0) return true;
    if (n < 0) return false;
  }
  return false;
}

void PeerSendAll(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) throw std::runtime_error("peer send failed");
    sent += static_cast<std::size_t>(n);
  }
}

// Closes a peer so that it sends a reset instead of a FIN.
void PeerReset(Fd& fd) {
  linger lg{1, 0};
  setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
  fd.Reset();
}

int ThreadCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') ++count;
    }
    closedir(dir);
  }
  return count;
}

// A listener with backlog 0 whose accept queue is full: a further SYN is
// dropped, so a connect to it neither succeeds nor is refused. Returns false
// when this kernel does not behave so.
struct FullListener {
  Fd listener = BoundSocket(0);
  std::vector<Fd> fillers;

  bool Fill() {
    const sockaddr_in to = Loopback(LocalPort(listener.get()));
    for (int i = 0; i < 16; ++i) {
      Fd probe(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
      const int rc = connect(probe.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
      if (rc != 0 && errno != EINPROGRESS) return false;
      if (rc != 0 && !WaitFor(probe.get(), POLLOUT, 500)) return true;  // it hangs
      fillers.push_back(std::move(probe));
    }
    return false;
  }
};

// Looks `name` up with the system's resolver, waiting as long as it takes.
platform::SocketError LookUp(const std::string& name, std::uint32_t* address) {
  const auto lookup = platform::Sockets::Default().StartLookup(name);
  lookup->Wait(-1);
  return lookup->Result(address);
}

// Runs `body` and returns the exception's message ("" when none).
template <typename E>
std::string MessageOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const E& e) {
    return e.what();
  }
  return "";
}

class TcpClientTest : public ::testing::Test {
 protected:
  TcpClientTest() {
    client.ReadTimeout = 30;
    client.OnConnected = [this](TIdTCPClient& sender) {
      EXPECT_EQ(&sender, &client);
      ++connected;
    };
    client.OnDisconnected = [this](TIdTCPClient& sender) {
      EXPECT_EQ(&sender, &client);
      ++disconnected;
    };
  }

  // Connects the client to a fresh listener and returns the accepted peer.
  Fd ConnectPeer() {
    client.Host = "127.0.0.1";
    client.Port = LocalPort(listener.get());
    client.Connect(5000);
    Fd peer = Accept(listener.get());
    if (peer.get() < 0) throw std::runtime_error("accept failed");
    return peer;
  }

  // ReadAvailable until `done` holds, treating "Read Timeout" as nothing.
  std::string ReadUntil(const std::function<bool(const std::string&)>& done) {
    std::string all;
    const auto start = Clock::now();
    while (!done(all) && Clock::now() - start < kDeadline) {
      try {
        all += client.ReadAvailable();
      } catch (const EIdReadTimeout&) {
      }
    }
    return all;
  }

  TIdTCPClient client{platform::Sockets::Default(), platform::Clock::Default()};
  int connected = 0;
  int disconnected = 0;
  Fd listener = BoundSocket(8);
};

// --- error texts --------------------------------------------------------

TEST(SocketErrorTextTest, EachConditionHasItsText) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {ECONNREFUSED, "Connection refused."},
      {ECONNRESET, "Connection reset by peer."},
      {ECONNABORTED, "Software caused connection abort."},
      {ETIMEDOUT, "Connection timed out."},
      {EADDRINUSE, "Address already in use."},
      {EINVAL, "Invalid argument."},
      {ESHUTDOWN, "Cannot send or receive after socket is closed."},
      {EPIPE, "Cannot send or receive after socket is closed."},
      {EWOULDBLOCK, "Operation would block. "},
      {EHOSTUNREACH, "No route to host."},
      {ENETUNREACH, "Network is unreachable."},
      {EMFILE, "Too many open files."},
      {ENOTEMPTY, "Directory not empty"},
      {kHostNotFound, "Host not found."},
      {ENOENT, ""},
      {9999, ""},
  };
  for (const auto& c : cases) {
    const platform::SocketError error = platform::posix::ErrorFromErrno(c.code);
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(SocketErrorText(error.condition), c.text) << c.code;
    EXPECT_EQ(SocketErrorMessage(error),
              "Socket Error # " + std::to_string(c.code) + "\r\n" + c.text);
  }
  const EIdSocketError error(platform::posix::ErrorFromErrno(ECONNREFUSED));
  EXPECT_EQ(error.LastError(), ECONNREFUSED);
  EXPECT_STREQ(error.what(), "Socket Error # 111\r\nConnection refused.");
}

// --- name resolution ----------------------------------------------------

TEST(ResolveTest, NumericForms) {
  const struct {
    const char* text;
    bool ok;
    std::uint32_t address;
  } cases[] = {
      {"127.0.0.1", true, 0x7F000001},
      {"0.0.0.0", true, 0},
      {"255.255.255.255", true, 0xFFFFFFFF},
      {"10.1.2.3", true, 0x0A010203},
      {"127.1", true, 0x7F000001},
      {"127.0.1", true, 0x7F000001},
      {"10.1.65535", true, 0x0A01FFFF},
      {"10.16777215", true, 0x0AFFFFFF},
      {"2130706433", true, 0x7F000001},
      {"4294967295", true, 0xFFFFFFFF},
      {"0", true, 0},
      {"010.001.000.001", true, 0x0A010001},  // decimal, not octal
      {"256.0.0.1", false, 0},
      {"1.2.3.256", false, 0},
      {"1.2.65536", false, 0},
      {"1.256.3", false, 0},
      {"1.16777216", false, 0},
      {"4294967296", false, 0},
      {"99999999999999999999", false, 0},
      {"1.2.3.4.5", false, 0},
      {"1.2.3.", false, 0},
      {".1.2.3", false, 0},
      {"1..3", false, 0},
      {"", false, 0},
      {"0x7f.1", false, 0},
      {"+1.2.3.4", false, 0},
      {" 1.2.3.4", false, 0},
      {"1.2.3.4 ", false, 0},
      {"localhost", false, 0},
  };
  for (const auto& c : cases) {
    const auto parsed = tcp_detail::ParseIPv4Numeric(c.text);
    ASSERT_EQ(parsed.has_value(), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(*parsed, c.address) << c.text;
    }
  }
}

TEST(ResolveTest, LoopbackNameInAnyCaseWithoutLookup) {
  for (const char* name : {"localhost", "LocalHost", "LOCALHOST", "lOcAlHoSt"}) {
    EXPECT_TRUE(tcp_detail::IsLoopbackName(name)) << name;
    EXPECT_EQ(tcp_detail::AddressWithoutLookup(name), 0x7F000001u) << name;
  }
  for (const char* name : {"localhost.", "local", "localhost1", "", "local host"}) {
    EXPECT_FALSE(tcp_detail::IsLoopbackName(name)) << name;
  }
}

TEST(ResolveTest, LookupFailuresGiveHostNotFound) {
  using platform::posix::LookupError;
  EXPECT_EQ(LookupError(EAI_NONAME, 0).code, kHostNotFound);
  EXPECT_EQ(LookupError(EAI_AGAIN, 0).code, kHostNotFound);
  EXPECT_EQ(LookupError(EAI_FAIL, 0).code, kHostNotFound);
  EXPECT_EQ(LookupError(EAI_SYSTEM, EMFILE).code, EMFILE);
  EXPECT_EQ(LookupError(EAI_SYSTEM, 0).code, kHostNotFound);

  // The empty name is refused by the resolver itself; a name with a NUL in
  // it never reaches the resolver. Neither needs the network.
  for (const std::string& name : {std::string(), std::string("local\0host", 10)}) {
    std::uint32_t address = 0;
    const EIdSocketError e(LookUp(name, &address));
    EXPECT_EQ(e.LastError(), kHostNotFound);
    EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
  }
}

// --- connect ------------------------------------------------------------

TEST_F(TcpClientTest, HostFormsConnectToLoopback) {
  for (const char* host :
       {"127.0.0.1", "LocalHost", "LOCALHOST", "127.1", "127.0.1", "2130706433"}) {
    SCOPED_TRACE(host);
    client.Host = host;
    client.Port = LocalPort(listener.get());
    client.Connect(5000);
    EXPECT_TRUE(client.Connected());
    EXPECT_GE(Accept(listener.get()).get(), 0);
    client.Disconnect();
  }
  EXPECT_EQ(connected, 6);
  EXPECT_EQ(disconnected, 6);
}

TEST_F(TcpClientTest, HostNameFromHostsFileConnectsAfterLookup) {
  // A name other than "localhost" that the hosts file maps to 127.0.0.1,
  // so the lookup is answered locally.
  std::ifstream hosts("/etc/hosts");
  std::string line, name;
  while (name.empty() && std::getline(hosts, line)) {
    std::istringstream words(line);
    std::string address, alias;
    if (!(words >> address) || address != "127.0.0.1") continue;
    while (words >> alias) {
      if (alias[0] == '#') break;
      if (!tcp_detail::IsLoopbackName(alias)) {
        name = alias;
        break;
      }
    }
  }
  if (name.empty()) GTEST_SKIP() << "no other loopback name in /etc/hosts";
  std::uint32_t address = 0;
  ASSERT_FALSE(LookUp(name, &address).Failed()) << name;
  ASSERT_EQ(address, 0x7F000001u) << name;
  client.Host = name;
  client.Port = LocalPort(listener.get());
  client.Connect(5000);
  EXPECT_EQ(connected, 1);
  EXPECT_GE(Accept(listener.get()).get(), 0);
}

TEST_F(TcpClientTest, SuccessIsNoticedAtTheEndOfTheFirstStep) {
  const auto start = Clock::now();
  Fd peer = ConnectPeer();
  const long ms = ElapsedMs(start);
  EXPECT_GE(ms, tcp_detail::kConnectStepMs);
  EXPECT_LT(ms, 2000);
  EXPECT_EQ(connected, 1);
  EXPECT_EQ(disconnected, 0);

  EXPECT_EQ(MessageOf<EIdAlreadyConnected>([&] { client.Connect(5000); }), "Already connected.");
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(connected, 1);
  client.Write("still\n");
  EXPECT_EQ(PeerRead(peer.get(), 6), "still\n");
}

TEST_F(TcpClientTest, RefusedConnectSurfacesAtTheEndOfAStep) {
  Fd closed_port = BoundSocket(-1);  // bound, not listening: connects are refused
  client.Host = "127.0.0.1";
  client.Port = LocalPort(closed_port.get());
  const int threads = ThreadCount();
  const auto start = Clock::now();
  try {
    client.Connect(5000);
    FAIL() << "connected";
  } catch (const EIdConnectException& e) {
    EXPECT_STREQ(e.what(), "Socket Error # 111\r\nConnection refused.");
  }
  const long ms = ElapsedMs(start);
  std::printf("[ measure  ] refused connect took %ld ms\n", ms);
  EXPECT_GE(ms, tcp_detail::kConnectStepMs);
  EXPECT_LT(ms, 2000);
  EXPECT_EQ(ThreadCount(), threads);  // the worker has ended
  EXPECT_EQ(connected, 0);
  EXPECT_EQ(disconnected, 0);
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(client.Host, "127.0.0.1");
  EXPECT_EQ(client.Port, LocalPort(closed_port.get()));
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { client.Write("x"); }),
            "Connection Closed Gracefully.");
  EXPECT_EQ(client.ReadAvailable(), "");

  // A new connect may follow at once; a later Disconnect fires nothing for
  // the failed one.
  client.Disconnect();
  EXPECT_EQ(disconnected, 0);
  Fd peer = ConnectPeer();
  EXPECT_EQ(connected, 1);
}

TEST_F(TcpClientTest, UntimedConnectRunsInTheCaller) {
  Fd closed_port = BoundSocket(-1);
  client.Host = "127.0.0.1";
  for (int timeout : {0, -1}) {
    SCOPED_TRACE(timeout);
    client.Port = LocalPort(closed_port.get());
    try {
      client.Connect(timeout);
      ADD_FAILURE() << "connected";
    } catch (const EIdSocketError& e) {
      EXPECT_EQ(e.LastError(), ECONNREFUSED);
    }
    client.Port = LocalPort(listener.get());
    client.Connect(timeout);
    EXPECT_GE(Accept(listener.get()).get(), 0);
    client.Disconnect();
  }
  EXPECT_EQ(connected, 2);
  EXPECT_EQ(disconnected, 2);
}

TEST_F(TcpClientTest, ConnectThatNeverAnswersTimesOut) {
  FullListener full;
  if (!full.Fill()) GTEST_SKIP() << "a full accept queue does not hold connects on this kernel";
  client.Host = "127.0.0.1";
  client.Port = LocalPort(full.listener.get());
  const int threads = ThreadCount();
  const auto start = Clock::now();
  EXPECT_EQ(MessageOf<EIdConnectTimeout>([&] { client.Connect(5000); }), "Connect timed out.");
  const long ms = ElapsedMs(start);
  std::printf("[ measure  ] connect time-out took %ld ms\n", ms);
  EXPECT_GE(ms, 5000);
  EXPECT_LT(ms, 5000 + 2000);
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_EQ(connected, 0);
  EXPECT_EQ(disconnected, 0);
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { client.Write("x"); }),
            "Connection Closed Gracefully.");
}

TEST_F(TcpClientTest, PortOutOfRangeConnectsNothing) {
  const int port = LocalPort(listener.get());
  client.Host = "127.0.0.1";
  for (int bad : {port + 65536, port - 65536, -1, 65536}) {
    SCOPED_TRACE(bad);
    client.Port = bad;
    try {
      client.Connect(5000);
      ADD_FAILURE() << "connected";
    } catch (const EIdSocketError& e) {
      EXPECT_EQ(e.LastError(), EINVAL);
      EXPECT_STREQ(e.what(), "Socket Error # 22\r\nInvalid argument.");
    }
    EXPECT_FALSE(WaitFor(listener.get(), POLLIN, 0)) << "a connection reached the listener";
    EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { client.Write("x"); }),
              "Connection Closed Gracefully.");
  }
  EXPECT_EQ(connected, 0);
  EXPECT_EQ(disconnected, 0);
}

TEST_F(TcpClientTest, ThrowingConnectedHandlerClosesTheLink) {
  client.OnConnected = [](TIdTCPClient&) { throw std::logic_error("handler failed"); };
  client.Host = "127.0.0.1";
  client.Port = LocalPort(listener.get());
  EXPECT_EQ(MessageOf<std::logic_error>([&] { client.Connect(5000); }), "handler failed");
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(disconnected, 0);
  Fd peer = Accept(listener.get());
  ASSERT_GE(peer.get(), 0);
  EXPECT_TRUE(PeerSeesEof(peer.get()));
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { client.Write("x"); }),
            "Connection Closed Gracefully.");
}

// --- disconnect and write without a link --------------------------------

// With no socket object (never connected, or after Disconnect): Write of
// an empty text is a no-op, any other Write raises "Not Connected", and a
// read returns "" without waiting.
TEST_F(TcpClientTest, WithoutALinkAndDisconnectFiringOnce) {
  client.ReadTimeout = 20000;  // a wait would show as a long call
  const auto expect_no_link = [&] {
    client.Write("");
    EXPECT_EQ(MessageOf<EIdNotConnected>([&] { client.Write("x\n"); }), "Not Connected");
    const auto start = Clock::now();
    EXPECT_EQ(client.ReadAvailable(), "");
    EXPECT_LT(ElapsedMs(start), 10000);
  };
  expect_no_link();
  EXPECT_EQ(connected + disconnected, 0);

  Fd peer = ConnectPeer();
  bool open_in_handler = true;
  client.OnDisconnected = [&](TIdTCPClient& sender) {
    open_in_handler = sender.Connected();
    ++disconnected;
  };
  client.Disconnect();
  EXPECT_EQ(disconnected, 1);
  EXPECT_FALSE(open_in_handler);
  EXPECT_TRUE(PeerSeesEof(peer.get()));
  client.Disconnect();
  EXPECT_EQ(disconnected, 1);
  expect_no_link();
}

TEST_F(TcpClientTest, WriteHandsOverEveryByte) {
  Fd peer = ConnectPeer();
  std::string big(1 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  std::string got;
  std::thread reader([&] { got = PeerRead(peer.get(), big.size()); });
  client.Write(big);  // more than the socket buffers hold: several sends
  reader.join();
  EXPECT_TRUE(got == big) << got.size() << " of " << big.size() << " bytes arrived intact";
}

TEST_F(TcpClientTest, WriteToAPeerThatStopsReadingGivesUpAfterItsTimeOut) {
  Fd peer = ConnectPeer();  // never reads
  const std::string chunk(1 << 20, 'x');
  std::string message;
  long longest = 0;
  const auto start = Clock::now();
  while (message.empty() && Clock::now() - start < 6 * kDeadline) {
    const auto before = Clock::now();
    try {
      client.Write(chunk);
    } catch (const EIdSocketError& e) {
      message = e.what();
    }
    longest = std::max(longest, ElapsedMs(before));
  }
  std::printf("[ measure  ] a write to a peer that stopped reading gave up after %ld ms\n",
              longest);
  EXPECT_EQ(message, "Socket Error # 110\r\nConnection timed out.");
  EXPECT_GE(longest, TIdTCPClient::kWriteTimeoutMs);
  EXPECT_LT(longest, TIdTCPClient::kWriteTimeoutMs + 2000);
  EXPECT_EQ(disconnected, 1);
  EXPECT_FALSE(client.Connected());
}

// --- reading ------------------------------------------------------------

TEST_F(TcpClientTest, ReadTimesOutWhenNothingArrives) {
  Fd peer = ConnectPeer();
  const auto start = Clock::now();
  EXPECT_EQ(MessageOf<EIdReadTimeout>([&] { client.ReadAvailable(); }), "Read Timeout");
  const long ms = ElapsedMs(start);
  EXPECT_GE(ms, 30);
  EXPECT_LT(ms, 1000);
  EXPECT_TRUE(client.Connected());
}

TEST_F(TcpClientTest, LinesThatArriveTogetherComeBackTogether) {
  Fd peer = ConnectPeer();
  PeerSendAll(peer.get(), "status: ok\r\nvolume: 256\r\n");
  EXPECT_EQ(ReadUntil([](const std::string& s) { return !s.empty(); }),
            "status: ok\r\nvolume: 256\r\n");
}

TEST_F(TcpClientTest, OneReadTakesAtMostOneBuffer) {
  Fd peer = ConnectPeer();
  std::string sent(100000, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>('a' + i % 23);
  PeerSendAll(peer.get(), sent);
  std::string got;
  std::size_t largest = 0;
  const auto start = Clock::now();
  while (got.size() < sent.size() && Clock::now() - start < kDeadline) {
    try {
      const std::string piece = client.ReadAvailable();
      EXPECT_LE(piece.size(), 32768u);
      largest = std::max(largest, piece.size());
      got += piece;
    } catch (const EIdReadTimeout&) {
    }
  }
  EXPECT_EQ(largest, 32768u);
  EXPECT_TRUE(got == sent) << "the rest did not follow in order";
}

TEST_F(TcpClientTest, PeerCloseIsSeenOnce) {
  Fd peer = ConnectPeer();
  PeerSendAll(peer.get(), "bye\r\n");
  peer.Reset();
  int disconnected_at_call_end = -1;
  std::string got;
  const auto start = Clock::now();
  while (disconnected == 0 && Clock::now() - start < kDeadline) {
    try {
      const std::string piece = client.ReadAvailable();
      if (disconnected == 1) {
        disconnected_at_call_end = 1;
        EXPECT_EQ(piece, "") << "the closing call returns nothing";
      }
      got += piece;
    } catch (const EIdReadTimeout&) {
    }
  }
  EXPECT_EQ(got, "bye\r\n");
  EXPECT_EQ(disconnected_at_call_end, 1) << "the closing read raised";
  client.ReadTimeout = 20000;  // a wait would show as a long call
  const auto after = Clock::now();
  EXPECT_EQ(client.ReadAvailable(), "");
  EXPECT_EQ(client.ReadAvailable(), "");
  EXPECT_LT(ElapsedMs(after), 10000);
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(MessageOf<EIdConnClosedGracefully>([&] { client.Write("x"); }),
            "Connection Closed Gracefully.");
  client.Disconnect();
  EXPECT_EQ(disconnected, 1);
}

// A handler may open a new link from inside the event; the call that saw
// the close still ends there, returning "", and leaves the new link alone.
TEST_F(TcpClientTest, HandlerThatReconnectsOnCloseGetsAFreshLink) {
  Fd peer = ConnectPeer();
  client.OnDisconnected = [this](TIdTCPClient& sender) {
    ++disconnected;
    sender.Connect(5000);
  };
  peer.Reset();
  client.ReadTimeout = 20000;  // a read on the new, quiet link would show as a long call
  const auto start = Clock::now();
  std::string got = "?";
  while (disconnected == 0 && ElapsedMs(start) < 10000) got = client.ReadAvailable();
  EXPECT_EQ(disconnected, 1);
  EXPECT_EQ(got, "");
  EXPECT_LT(ElapsedMs(start), 10000);
  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(connected, 2);
  Fd fresh = Accept(listener.get());
  ASSERT_GE(fresh.get(), 0);
  client.Write("again\n");
  EXPECT_EQ(PeerRead(fresh.get(), 6), "again\n");
}

TEST_F(TcpClientTest, ResetDuringWriteClosesTheLinkOnce) {
  Fd peer = ConnectPeer();
  PeerReset(peer);
  int code = 0;
  std::string message;
  const auto start = Clock::now();
  while (message.empty() && Clock::now() - start < kDeadline) {
    try {
      client.Write("@m1 marq-marquee x\n");
    } catch (const EIdSocketError& e) {
      code = e.LastError();
      message = e.what();
    }
  }
  // Linux reports the reset to the first send after it, EPIPE to later ones.
  EXPECT_EQ(code, ECONNRESET);
  EXPECT_EQ(message, "Socket Error # 104\r\nConnection reset by peer.");
  EXPECT_EQ(disconnected, 1);
  EXPECT_FALSE(client.Connected());
  // Later writes name the reset too, not a graceful close.
  EXPECT_EQ(MessageOf<EIdSocketError>([&] { client.Write("x"); }), message);
  client.Disconnect();
  EXPECT_EQ(disconnected, 1);
}

TEST_F(TcpClientTest, ResetDuringReadClosesTheLinkOnce) {
  Fd peer = ConnectPeer();
  PeerReset(peer);
  int code = 0;
  const auto start = Clock::now();
  while (code == 0 && Clock::now() - start < kDeadline) {
    try {
      EXPECT_EQ(client.ReadAvailable(), "");
    } catch (const EIdReadTimeout&) {
    } catch (const EIdSocketError& e) {
      code = e.LastError();
      EXPECT_STREQ(e.what(), "Socket Error # 104\r\nConnection reset by peer.");
    }
  }
  EXPECT_EQ(code, ECONNRESET);
  EXPECT_EQ(disconnected, 1);
  client.ReadTimeout = 20000;  // a wait would show as a long call
  const auto again = Clock::now();
  EXPECT_EQ(client.ReadAvailable(), "");  // no wait, no error any more
  EXPECT_LT(ElapsedMs(again), 10000);
  client.Disconnect();
  EXPECT_EQ(disconnected, 1);
}

}  // namespace
}  // namespace stanzo
