// The command channel over the real TCP client and the stand-in player on
// loopback, with a window replaced by plain data.
#include "link/command_channel.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/host_port.h"
#include "standin/standin_player.h"

namespace stanzo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kLong = 10s;

class FakeView : public ChannelView {
 public:
  VectorItemList history;
  std::vector<std::string> log;
  std::vector<bool> shown;  // every ShowConnectionState, in order
  int process_events = 0;
  std::function<void()> on_process_events;
  std::function<void(const std::string&)> on_append_log;

  ItemList& History() override { return history; }
  void AppendLog(const std::string& entry) override {
    if (on_append_log) on_append_log(entry);
    log.push_back(entry);
  }
  void ShowConnectionState(bool connected) override { shown.push_back(connected); }
  void ProcessEvents() override {
    ++process_events;
    if (on_process_events) on_process_events();
  }

  int Count(const std::string& entry) const {
    int n = 0;
    for (const auto& e : log) n += e == entry ? 1 : 0;
    return n;
  }
};

std::vector<std::string> Numbered(const std::string& prefix, int count) {
  std::vector<std::string> items;
  for (int i = 0; i < count; ++i) items.push_back(prefix + std::to_string(i));
  return items;
}

class CommandChannelTest : public ::testing::Test {
 protected:
  CommandChannelTest() : player_(Quiet()), channel_(client_, view_) {}

  static StandinPlayer::Options Quiet() {
    StandinPlayer::Options o;
    o.greeting.clear();
    return o;
  }

  std::string Address() const { return "127.0.0.1:" + std::to_string(player_.Port()); }

  void Connect() {
    channel_.ToggleConnection(Address());
    ASSERT_TRUE(channel_.IsConnected());
    ASSERT_TRUE(player_.WaitForClients(++connects_, kLong));
  }

  // Runs timer ticks, a few ms apart, until `done` holds or the deadline
  // passes.
  bool TickUntil(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + kLong;
    while (!done()) {
      if (Clock::now() > deadline) return false;
      channel_.PollReply();
      std::this_thread::sleep_for(2ms);
    }
    return true;
  }

  StandinPlayer player_;
  TIdTCPClient client_{platform::Sockets::Default(), platform::Clock::Default()};
  FakeView view_;
  CommandChannel channel_;
  int connects_ = 0;
};

TEST_F(CommandChannelTest, ConnectAndDisconnectThroughTheButton) {
  EXPECT_EQ(client_.ReadTimeout, 30);  // set up by the channel
  channel_.ToggleConnection(Address());
  EXPECT_TRUE(channel_.IsConnected());
  EXPECT_EQ(view_.log, std::vector<std::string>{"E Connected"});
  EXPECT_EQ(view_.shown, (std::vector<bool>{true, true}));  // event, then button
  EXPECT_EQ(client_.Host, "127.0.0.1");
  EXPECT_EQ(client_.Port, player_.Port());
  ASSERT_TRUE(player_.WaitForClients(1, kLong));

  channel_.ToggleConnection(Address());
  EXPECT_FALSE(channel_.IsConnected());
  EXPECT_EQ(view_.log, (std::vector<std::string>{"E Connected", "E Disconnected"}));
  EXPECT_EQ(view_.shown, (std::vector<bool>{true, true, false, false}));
  EXPECT_TRUE(player_.WaitForDisconnect(kLong));

  // And again: the client is reusable after a Disconnect.
  channel_.ToggleConnection(Address());
  EXPECT_TRUE(channel_.IsConnected());
  EXPECT_TRUE(player_.WaitForClients(2, kLong));
}

TEST_F(CommandChannelTest, ConnectFailuresPropagateAndLeaveTheStateAlone) {
  struct Case {
    std::string host_text;
    std::string message;  // empty: any client error
  };
  // A port that was just free: nothing listens there now.
  uint16_t closed_port;
  {
    StandinPlayer gone;
    closed_port = gone.Port();
  }
  const std::vector<Case> cases = {
      {"127.0.0.1:", "'' is not a valid integer value"},
      {"a:b:c", "'b:c' is not a valid integer value"},
      {"127.0.0.1: 80", "' 80' is not a valid integer value"},
      {"127.0.0.1:0x50", "'0x50' is not a valid integer value"},
      {"127.0.0.1:" + std::to_string(closed_port), ""},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.host_text);
    if (!tc.message.empty()) {
      try {
        channel_.ToggleConnection(tc.host_text);
        ADD_FAILURE() << "no exception";
      } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), tc.message);
      }
    } else {
      EXPECT_THROW(channel_.ToggleConnection(tc.host_text), EIdException);
    }
    EXPECT_FALSE(channel_.IsConnected());
  }
  // Nothing was logged, and the button was never updated (the handler ends
  // at the exception).
  EXPECT_TRUE(view_.log.empty());
  EXPECT_TRUE(view_.shown.empty());
  // A good address still connects afterwards.
  channel_.ToggleConnection(Address());
  EXPECT_TRUE(channel_.IsConnected());
}

TEST_F(CommandChannelTest, HistoryIsNewestFirstWithoutRepeatsAndEveryLineIsSent) {
  struct Case {
    const char* name;
    std::vector<std::string> sends;
    std::vector<std::string> history;
  };
  const std::vector<Case> cases = {
      {"A, B, A", {"A", "B", "A"}, {"A", "B", "A"}},
      {"same twice", {"A", "A"}, {"A"}},
      {"repeat of the newest only", {"A", "B", "B"}, {"B", "A"}},
      {"case counts", {"a", "A"}, {"A", "a"}},
      {"trailing blank counts", {"x", "x "}, {"x ", "x"}},
  };
  Connect();
  std::size_t lines = 0;
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    view_.history.items.clear();
    const auto first_line = player_.LineCount();
    for (const auto& text : tc.sends) channel_.SendCommand(text);
    EXPECT_EQ(view_.history.items, tc.history);
    EXPECT_EQ(view_.history.selected, 0);
    lines += tc.sends.size();
    // Every send reaches the player, repeats included, as text + LF.
    ASSERT_TRUE(player_.WaitForLines(lines, kLong));
    const auto got = player_.LineTexts();
    EXPECT_EQ(std::vector<std::string>(got.begin() + first_line, got.end()), tc.sends);
  }
}

TEST_F(CommandChannelTest, EmptyTextDoesNothingAtAll) {
  view_.history.items = Numbered("old", 150);
  // Without a link: no exception either.
  channel_.SendCommand("");
  channel_.SendAdhoc("");
  Connect();
  channel_.SendCommand("");
  channel_.SendAdhoc("");
  channel_.SendCommand("marker");
  ASSERT_TRUE(player_.WaitForLines(1, kLong));
  EXPECT_EQ(player_.LineTexts(), std::vector<std::string>{"marker"});
  EXPECT_EQ(view_.history.Count(), 151);  // not trimmed by the empty ad-hoc
  EXPECT_EQ(view_.process_events, 1);
}

TEST_F(CommandChannelTest, HistoryCapsForLongSeriesAndAdhocSends) {
  struct Case {
    int before;
    int after_command;  // SendCommand: cap 1000 before the insert
    int after_adhoc;    // SendAdhoc: trimmed to 100, then the insert
  };
  const std::vector<Case> cases = {
      {0, 1, 1},        {99, 100, 100},    {100, 101, 101},   {101, 102, 101},
      {999, 1000, 101}, {1000, 1001, 101}, {1001, 1001, 101}, {1005, 1005, 101},
  };
  Connect();
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.before);
    const auto old = Numbered("old", tc.before);

    view_.history.items = old;
    channel_.SendCommand("new");
    ASSERT_EQ(view_.history.Count(), tc.after_command);
    // Exactly one item goes when over the cap: the one at index 1000.
    auto expected = old;
    if (tc.before > 1000) expected.erase(expected.begin() + 1000);
    expected.insert(expected.begin(), "new");
    EXPECT_TRUE(view_.history.items == expected);

    view_.history.items = old;
    channel_.SendAdhoc("new");
    ASSERT_EQ(view_.history.Count(), tc.after_adhoc);
    EXPECT_EQ(view_.history.Item(0), "new");
    // The oldest go; the newest 100 stay in order.
    for (int i = 1; i < tc.after_adhoc; ++i) ASSERT_EQ(view_.history.Item(i), old[i - 1]);
  }
}

TEST_F(CommandChannelTest, AdhocTextGoesOutExactlyAsTyped) {
  const std::vector<std::string> typed = {
      "@m1 marq-marquee a$_b\\", "{INIT}@m1", "  padded  ", "(command to send to VLC)",
      std::string("tab\there"),
  };
  Connect();
  for (const auto& text : typed) channel_.SendAdhoc(text);
  ASSERT_TRUE(player_.WaitForLines(typed.size(), kLong));
  EXPECT_EQ(player_.LineTexts(), typed);
  EXPECT_EQ(view_.history.Item(0), typed.back());
}

TEST_F(CommandChannelTest, PendingEventsRunAfterEachSendWithTheHistoryAlreadyUpdated) {
  Connect();
  player_.SetReply("status", "( state playing )");
  std::vector<std::string> newest_at_events;
  view_.on_process_events = [&] {
    newest_at_events.push_back(view_.history.Item(0));
    // A timer tick inside the send loop may log a reply between two sends.
    channel_.PollReply();
  };
  channel_.SendCommand("status");
  channel_.SendCommand("@m1 marq-marquee x");
  channel_.SendCommand("@m1 marq-marquee x");
  EXPECT_EQ(newest_at_events,
            (std::vector<std::string>{"status", "@m1 marq-marquee x", "@m1 marq-marquee x"}));
  view_.on_process_events = nullptr;
  ASSERT_TRUE(TickUntil([&] { return view_.Count("R ( state playing )\r\n> ") == 1; }));
}

TEST_F(CommandChannelTest, EachTickLogsWhatArrivedAsOneEntry) {
  struct Case {
    const char* name;
    std::function<void(StandinPlayer&, CommandChannel&)> provoke;
    std::string entry;
  };
  const std::vector<Case> cases = {
      {"three lines together",
       [](StandinPlayer& p, CommandChannel&) { p.Send("one\r\ntwo\r\nthree\r\n"); },
       "R one\r\ntwo\r\nthree\r\n"},
      {"scripted reply with prompt",
       [](StandinPlayer& p, CommandChannel& c) {
         p.SetReply("volume", "status change: ( audio volume: 256 )");
         c.SendCommand("volume");
       },
       "R status change: ( audio volume: 256 )\r\n> "},
      {"bytes kept as sent", [](StandinPlayer& p, CommandChannel&) { p.Send("no line end"); },
       "R no line end"},
  };
  Connect();
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    const std::size_t before = view_.log.size();
    tc.provoke(player_, channel_);
    ASSERT_TRUE(TickUntil([&] { return view_.log.size() > before; }));
    ASSERT_EQ(view_.log.size(), before + 1);
    EXPECT_EQ(view_.log.back(), tc.entry);
    // Quiet ticks add nothing, and none waits for a reply (20 waits of
    // the 30 ms read time-out would take 600 ms).
    const auto quiet = Clock::now();
    for (int i = 0; i < 20; ++i) channel_.PollReply();
    EXPECT_LT(Clock::now() - quiet, 300ms);
    EXPECT_EQ(view_.log.size(), before + 1);
  }
}

TEST_F(CommandChannelTest, ThePlayerEndingTheLinkIsSeenAsDisconnected) {
  enum class How { kCloseSeenByTick, kResetSeenByTick, kResetSeenBySend, kResetInAStream };
  struct Case {
    const char* name;
    How how;
    std::string send_after;  // what a send raises afterwards
  };
  const std::string reset = "Socket Error # 104\r\nConnection reset by peer.";
  const std::vector<Case> cases = {
      {"player closes, next tick", How::kCloseSeenByTick, "Connection Closed Gracefully."},
      {"player resets, next tick", How::kResetSeenByTick, reset},
      {"player resets, next send", How::kResetSeenBySend, reset},
      {"player resets, sends with ticks between", How::kResetInAStream, reset},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    view_.log.clear();
    view_.shown.clear();
    view_.history.items.clear();
    Connect();
    if (tc.how == How::kCloseSeenByTick) {
      player_.CloseAll();
    } else {
      player_.ResetAll();
    }
    if (tc.how == How::kResetSeenBySend || tc.how == How::kResetInAStream) {
      // Sends go on until one meets the reset; that one raises and is not
      // recorded.
      if (tc.how == How::kResetInAStream) view_.on_process_events = [&] { channel_.PollReply(); };
      std::string failed, message;
      const auto deadline = Clock::now() + kLong;
      for (int i = 0; failed.empty() && Clock::now() < deadline; ++i) {
        const std::string text = "cmd" + std::to_string(i);
        try {
          channel_.SendCommand(text);
        } catch (const EIdException& e) {
          failed = text;
          message = e.what();
        }
      }
      view_.on_process_events = nullptr;
      ASSERT_FALSE(failed.empty());
      EXPECT_EQ(message, tc.send_after);
      for (const auto& item : view_.history.items) EXPECT_NE(item, failed);
    } else {
      ASSERT_TRUE(TickUntil([&] { return !channel_.IsConnected(); }));
    }
    EXPECT_FALSE(channel_.IsConnected());
    EXPECT_EQ(view_.Count("E Disconnected"), 1);
    EXPECT_EQ(view_.log.back(), "E Disconnected");
    ASSERT_FALSE(view_.shown.empty());
    EXPECT_FALSE(view_.shown.back());
    // Later ticks find no link and add nothing; a send names the cause.
    const auto entries = view_.log.size();
    channel_.PollReply();
    EXPECT_EQ(view_.log.size(), entries);
    try {
      channel_.SendCommand("after");
      ADD_FAILURE() << "sent";
    } catch (const EIdException& e) {
      EXPECT_EQ(e.what(), tc.send_after);
    }
  }
}

TEST_F(CommandChannelTest, AFailedSendLeavesTheHistoryUnchanged) {
  struct Case {
    const char* name;
    std::function<void()> setup;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"never connected", [] {}, "Not Connected"},
      {"after Disconnect",
       [&] {
         Connect();
         channel_.ToggleConnection(Address());
       },
       "Not Connected"},
      {"after the player closed the link",
       [&] {
         Connect();
         player_.CloseAll();
         ASSERT_TRUE(TickUntil([&] { return !channel_.IsConnected(); }));
       },
       "Connection Closed Gracefully."},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.name);
    tc.setup();
    ASSERT_FALSE(channel_.IsConnected());
    view_.history.items = Numbered("old", 150);
    const int events = view_.process_events;
    for (auto send : {&CommandChannel::SendCommand, &CommandChannel::SendAdhoc}) {
      try {
        (channel_.*send)("lost");
        ADD_FAILURE() << "no exception";
      } catch (const EIdException& e) {
        EXPECT_EQ(std::string(e.what()), tc.message);
      }
      EXPECT_EQ(view_.history.items, Numbered("old", 150));  // nor trimmed
      EXPECT_EQ(view_.process_events, events);
    }
  }
}

TEST_F(CommandChannelTest, LongCommandsAreComparedInFull) {
  const std::string a(10 * 1024, 'a');
  std::string b = a;
  b.back() = 'b';  // differs only in its last byte
  Connect();
  channel_.SendCommand(a);
  channel_.SendCommand(a);
  EXPECT_EQ(view_.history.Count(), 1);
  channel_.SendCommand(b);
  channel_.SendCommand(b);
  ASSERT_EQ(view_.history.Count(), 2);
  EXPECT_TRUE(view_.history.Item(0) == b);
  EXPECT_TRUE(view_.history.Item(1) == a);
  ASSERT_TRUE(player_.WaitForLines(4, kLong));
  const auto lines = player_.LineTexts();
  EXPECT_TRUE(lines[0] == a && lines[3] == b);
}

TEST_F(CommandChannelTest, AFailingConnectedHandlerCanStillBeDisconnected) {
  view_.on_append_log = [](const std::string& entry) {
    if (entry == "E Connected") throw std::runtime_error("log full");
  };
  EXPECT_THROW(channel_.ToggleConnection(Address()), std::runtime_error);
  view_.on_append_log = nullptr;
  // The client closed the link; the button must bring the flag back down.
  if (channel_.IsConnected()) channel_.ToggleConnection(Address());
  EXPECT_FALSE(channel_.IsConnected());
  ASSERT_FALSE(view_.shown.empty());
  EXPECT_FALSE(view_.shown.back());
  channel_.ToggleConnection(Address());
  EXPECT_TRUE(channel_.IsConnected());
}

}  // namespace
}  // namespace stanzo
