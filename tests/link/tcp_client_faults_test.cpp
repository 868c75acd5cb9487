// TIdTCPClient against a peer and a resolver the test plays, on a manual
// clock: time-outs pass at once and are measured exactly.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "link/tcp_client.h"
#include "platform/fake_sockets.h"
#include "platform/manual_clock.h"

namespace stanzo {
namespace {

using testing::FakeSockets;
using testing::ManualClock;

constexpr char kTimedOut[] = "Socket Error # 10060\r\nConnection timed out.";
constexpr char kReset[] = "Socket Error # 10054\r\nConnection reset by peer.";

class TcpClientFaultsTest : public ::testing::Test {
 protected:
  TcpClientFaultsTest() {
    client.Host = "10.0.0.1";
    client.Port = 2323;
    client.ReadTimeout = 30;
    client.OnConnected = [this](TIdTCPClient&) { ++connected; };
    client.OnDisconnected = [this](TIdTCPClient&) { ++disconnected; };
  }

  // Runs `body`; returns the message of what it threw ("" when nothing)
  // and how long it took on the clock.
  std::string Run(const std::function<void()>& body, std::int64_t* took_ms) {
    const std::int64_t start = clock.NowMs();
    std::string message;
    try {
      body();
    } catch (const std::exception& e) {
      message = e.what();
    }
    *took_ms = clock.NowMs() - start;
    return message;
  }

  ManualClock clock;
  FakeSockets sockets{clock};
  TIdTCPClient client{sockets, clock};
  int connected = 0;
  int disconnected = 0;
};

TEST_F(TcpClientFaultsTest, LookupAndConnectShareTheTimeOutAndItsSteps) {
  using Answer = FakeSockets::Answer;
  constexpr auto kNever = FakeSockets::kNever;
  struct Case {
    const char* name;
    const char* host;
    std::int64_t lookup_ms;
    bool found;
    Answer answer;
    std::int64_t answer_ms;
    const char* message;  // "" for a connect that succeeds
    std::int64_t took_ms;
    int lookups;
    std::uint32_t address;  // where it connected
  };
  constexpr std::uint32_t k10 = 0x0A000001, kLoop = 0x7F000001, kFound = 0xC0A80005;
  const Case cases[] = {
      {"numeric, accepted at once", "10.0.0.1", 0, true, Answer::kAccept, 0, "", 125, 0, k10},
      {"loopback name", "LocalHost", 0, true, Answer::kAccept, 0, "", 125, 0, kLoop},
      {"accepted in the third step", "10.0.0.1", 0, true, Answer::kAccept, 300, "", 375, 0, k10},
      {"refused", "10.0.0.1", 0, true, Answer::kRefuse, 0,
       "Socket Error # 10061\r\nConnection refused.", 125, 0, 0},
      {"never answers", "10.0.0.1", 0, true, Answer::kSilent, 0, "Connect timed out.", 5000, 0, 0},
      {"name looked up", "player", 0, true, Answer::kAccept, 0, "", 125, 1, kFound},
      {"name not found", "player", 0, false, Answer::kAccept, 0,
       "Socket Error # 11001\r\nHost not found.", 0, 1, 0},
      {"silent resolver", "player", kNever, true, Answer::kAccept, 0, "Connect timed out.", 5000, 1,
       0},
      {"slow lookup, then a connect", "player", 1000, true, Answer::kAccept, 0, "", 1000, 1,
       kFound},
      {"slow lookup leaves too little", "player", 4900, true, Answer::kAccept, 200,
       "Connect timed out.", 5000, 1, 0},
  };
  sockets.lookup_address = kFound;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client.Disconnect();
    connected = disconnected = sockets.lookups = 0;
    client.Host = c.host;
    sockets.lookup_delay_ms = c.lookup_ms;
    sockets.lookup_finds = c.found;
    sockets.connect_answer = c.answer;
    sockets.connect_delay_ms = c.answer_ms;
    std::int64_t took = 0;
    EXPECT_EQ(Run([&] { client.Connect(5000); }, &took), c.message);
    EXPECT_EQ(took, c.took_ms);
    EXPECT_EQ(sockets.lookups, c.lookups);
    const bool ok = c.message[0] == '\0';
    EXPECT_EQ(connected, ok ? 1 : 0);
    EXPECT_EQ(disconnected, 0);
    EXPECT_EQ(sockets.open_sockets, ok ? 1 : 0);
    if (ok) {
      EXPECT_EQ(sockets.connected_address, c.address);
    }
  }
}

TEST_F(TcpClientFaultsTest, WriteGivesUpAfterThreeSeconds) {
  struct Case {
    const char* name;
    std::size_t room;  // bytes the peer takes before it stops reading
    const char* message;
    std::int64_t took_ms;
  };
  const Case cases[] = {
      {"room for all", FakeSockets::kNoLimit, "", 0},
      {"stalls at once", 0, kTimedOut, TIdTCPClient::kWriteTimeoutMs},
      {"stalls midway", 100, kTimedOut, TIdTCPClient::kWriteTimeoutMs},
  };
  const std::string line = "@m1 marq-marquee " + std::string(1000, 'x') + "\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client.Disconnect();
    client.Connect(5000);
    disconnected = 0;
    sockets.wire.clear();
    sockets.send_room = c.room;
    std::int64_t took = 0;
    EXPECT_EQ(Run([&] { client.Write(line); }, &took), c.message);
    EXPECT_EQ(took, c.took_ms);
    EXPECT_EQ(sockets.wire, line.substr(0, c.room));
    const bool gave_up = c.message[0] != '\0';
    EXPECT_EQ(disconnected, gave_up ? 1 : 0);
    EXPECT_EQ(client.Connected(), !gave_up);
    // A link given up on stays given up on, with the same reason.
    if (gave_up) {
      EXPECT_EQ(Run([&] { client.Write("x\n"); }, &took), kTimedOut);
    }
    client.Disconnect();
    EXPECT_EQ(disconnected, 1);
  }
}

// Whoever sees the player's reset first, the send that follows names it.
TEST_F(TcpClientFaultsTest, AResetIsReportedAsAReset) {
  struct Case {
    const char* name;
    std::function<void()> seen_by;
  };
  const Case cases[] = {
      {"a send", [] {}},
      {"a waiting read", [this] { EXPECT_THROW(client.ReadAvailable(), EIdSocketError); }},
      {"the poll", [this] { EXPECT_THROW(client.ReadArrived(), EIdSocketError); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client.Disconnect();
    client.Connect(5000);
    disconnected = 0;
    sockets.PeerResets();
    c.seen_by();
    std::int64_t took = 0;
    for (int i = 0; i < 2; ++i) EXPECT_EQ(Run([&] { client.Write("x\n"); }, &took), kReset);
    EXPECT_EQ(disconnected, 1);
  }
}

TEST_F(TcpClientFaultsTest, ThePollTakesWhatArrivedWithoutWaiting) {
  client.Connect(5000);
  std::int64_t took = 0;
  std::string got;
  EXPECT_EQ(Run([&] { got = client.ReadArrived(); }, &took), "");
  EXPECT_EQ(got, "");
  EXPECT_EQ(took, 0);
  sockets.PeerSends("status: ok\r\n> ");
  EXPECT_EQ(client.ReadArrived(), "status: ok\r\n> ");
  // A caller that asks to wait still waits its ReadTimeout.
  EXPECT_EQ(Run([&] { client.ReadAvailable(); }, &took), "Read Timeout");
  EXPECT_EQ(took, 30);
  sockets.PeerCloses();
  EXPECT_EQ(client.ReadArrived(), "");
  EXPECT_EQ(disconnected, 1);
  EXPECT_EQ(client.ReadArrived(), "");
  EXPECT_EQ(disconnected, 1);
}

}  // namespace
}  // namespace stanzo
