// The TCP client on Winsock, against listeners and peers on 127.0.0.1.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "link/tcp_client.h"
#include "platform/win32/sockets_win32.h"

namespace stanzo {
namespace {

using platform::SocketCondition;

TEST(Win32SocketErrorsTest, CodesAreWindowsSocketsCodes) {
  const struct {
    int code;
    const char* message;
  } cases[] = {
      {10061, "Socket Error # 10061\r\nConnection refused."},
      {10060, "Socket Error # 10060\r\nConnection timed out."},
      {10054, "Socket Error # 10054\r\nConnection reset by peer."},
      {10035, "Socket Error # 10035\r\nOperation would block. "},
      {11001, "Socket Error # 11001\r\nHost not found."},
      {10093, "Socket Error # 10093\r\n"},  // not in the table: no text
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SocketErrorMessage(platform::win32::ErrorFromWsa(c.code)), c.message);
  }
  platform::Sockets& sockets = platform::Sockets::Default();
  EXPECT_EQ(sockets.ErrorFor(SocketCondition::kTimedOut).code, 10060);
  EXPECT_EQ(sockets.ErrorFor(SocketCondition::kInProgress).code, 10036);
  EXPECT_EQ(platform::win32::LookupError(WSANO_DATA).code, 11001);
}

// A listener of the test's own on 127.0.0.1, with the peer it accepts.
class Win32LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    int len = sizeof at;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &len);
    port_ = ntohs(at.sin_port);
  }
  void TearDown() override {
    if (peer_ != INVALID_SOCKET) closesocket(peer_);
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    WSACleanup();
  }
  void Connect(TIdTCPClient& client) {
    ASSERT_EQ(listen(listener_, 1), 0);
    client.Host = "127.0.0.1";
    client.Port = port_;
    client.Connect(5000);
    peer_ = accept(listener_, nullptr, nullptr);
    ASSERT_NE(peer_, INVALID_SOCKET);
  }

  SOCKET listener_ = INVALID_SOCKET;
  SOCKET peer_ = INVALID_SOCKET;
  int port_ = 0;
};

TEST_F(Win32LinkTest, RefusedAndUnknownHostsGiveTheWindowsMessages) {
  closesocket(listener_);  // nothing listens on the port any more
  listener_ = INVALID_SOCKET;
  TIdTCPClient client{platform::Sockets::Default(), platform::Clock::Default()};
  int events = 0;
  client.OnConnected = [&](TIdTCPClient&) { ++events; };
  client.Host = "localhost";
  client.Port = port_;
  try {
    client.Connect(5000);
    ADD_FAILURE() << "connected";
  } catch (const EIdConnectException& e) {
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
  }
  client.Host = "no-such-host.invalid";
  try {
    client.Connect(5000);
    ADD_FAILURE() << "connected";
  } catch (const EIdSocketError& e) {
    EXPECT_STREQ(e.what(), "Socket Error # 11001\r\nHost not found.");
  } catch (const EIdConnectTimeout&) {
    // A resolver that cannot answer in time: nothing to check here.
  }
  EXPECT_EQ(events, 0);
  EXPECT_THROW(client.Write("x\n"), EIdConnClosedGracefully);
}

TEST_F(Win32LinkTest, BytesBothWaysAndThePeersCloseSeenOnce) {
  TIdTCPClient client{platform::Sockets::Default(), platform::Clock::Default()};
  client.ReadTimeout = 30;
  int disconnected = 0;
  client.OnDisconnected = [&](TIdTCPClient&) { ++disconnected; };
  ASSERT_NO_FATAL_FAILURE(Connect(client));
  EXPECT_THROW(client.ReadAvailable(), EIdReadTimeout);

  client.Write("@m1 marq-marquee Hello\n");
  std::string got;
  char buf[256];
  while (got.size() < 23) {
    const int n = recv(peer_, buf, sizeof buf, 0);
    ASSERT_GT(n, 0);
    got.append(buf, n);
  }
  EXPECT_EQ(got, "@m1 marq-marquee Hello\n");

  const std::string lines = "status change: ( play state: 3 )\r\n> \r\n";
  send(peer_, lines.data(), static_cast<int>(lines.size()), 0);
  client.ReadTimeout = 5000;
  EXPECT_EQ(client.ReadAvailable(), lines);

  closesocket(peer_);
  peer_ = INVALID_SOCKET;
  EXPECT_EQ(client.ReadAvailable(), "");
  EXPECT_EQ(disconnected, 1);
  EXPECT_EQ(client.ReadAvailable(), "");
  EXPECT_EQ(disconnected, 1);
}

TEST_F(Win32LinkTest, WriteAfterAResetGivesTheResetMessage) {
  TIdTCPClient client{platform::Sockets::Default(), platform::Clock::Default()};
  ASSERT_NO_FATAL_FAILURE(Connect(client));
  linger abort{1, 0};  // close with a reset
  setsockopt(peer_, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&abort), sizeof abort);
  closesocket(peer_);
  peer_ = INVALID_SOCKET;
  std::string message;
  for (int i = 0; i < 200 && message.empty(); ++i) {
    try {
      client.Write("x\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } catch (const EIdSocketError& e) {
      message = e.what();
    }
  }
  EXPECT_EQ(message, "Socket Error # 10054\r\nConnection reset by peer.");
  EXPECT_FALSE(client.Connected());
}

}  // namespace
}  // namespace stanzo
