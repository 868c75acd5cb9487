// The remote's pure rules: where it listens, the clicker keys, which
// requests pass, and the hub's hand-over between threads.
#include "remote/remote_rules.h"

#include <gtest/gtest.h>

#include <thread>

#include "remote/remote_hub.h"

namespace stanzo::remote {
namespace {

using namespace std::chrono_literals;

TEST(RemoteRulesTest, ListenPlan) {
  const struct {
    const char* listen;
    const char* pin;
    bool enabled;
    const char* host;
    int port;
    const char* pinUsed;
    const char* problem;  // start of the log line, "" for none
  } cases[] = {
      {"127.0.0.1:8096", "", true, "127.0.0.1", 8096, "", ""},
      {" localhost:9000 ", "", true, "localhost", 9000, "", ""},
      {"127.0.0.1:8096", "4711", true, "127.0.0.1", 8096, "", ""},  // no Pin on loopback
      {"[::1]:8096", "", true, "::1", 8096, "", ""},
      {"", "", false, "", 0, "", ""},
      {"0.0.0.0:8096", "", true, "127.0.0.1", 8096, "",
       "Remote: listening on 127.0.0.1:8096 only: set Pin="},
      {"192.168.1.5:80", " 4711 ", true, "192.168.1.5", 80, "4711", ""},
      {"127.0.0.1.evil:8096", "", true, "127.0.0.1", 8096, "", "Remote: listening on"},
      {"8096", "", false, "", 0, "", "Remote: Listen=8096 is not HOST:PORT"},
      {"localhost:0", "", true, "localhost", 0, "", ""},
      {"host:65536", "", false, "", 0, "", "Remote: Listen=host:65536 is not"},
      {"fe80::1:8096", "1", false, "", 0, "", "Remote: Listen=fe80::1:8096 is not"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listen);
    const ListenPlan p = PlanListen(c.listen, c.pin);
    EXPECT_EQ(p.enabled, c.enabled);
    EXPECT_EQ(p.host, c.host);
    EXPECT_EQ(p.port, c.port);
    EXPECT_EQ(p.pin, c.pinUsed);
    EXPECT_EQ(p.problem.substr(0, std::string(c.problem).size()), c.problem);
    EXPECT_EQ(p.problem.empty(), std::string(c.problem).empty());
  }
}

TEST(RemoteRulesTest, ClickerKeys) {
  using A = ClickerAction;
  const std::optional<Control> none;
  const struct {
    Key key;
    unsigned shift;
    std::optional<Control> focus;
    A action;
  } cases[] = {
      {Key::kPageDown, kNoShift, none, A::kSlide},
      {Key::kPageDown, kNoShift, Control::lstLyrics, A::kSlide},
      {Key::kPageUp, kNoShift, Control::butSlide, A::kBack},
      {Key::kPeriod, kNoShift, Control::butConnect, A::kBlank},
      {Key::kB, kShift, none, A::kBlank},
      {Key::kPageDown, kCtrl, none, A::kNone},
      {Key::kB, kAlt, none, A::kNone},
      {Key::kPageDown, kOtherModifier, none, A::kNone},
      {Key::kNumpad0, kNoShift, Control::butSlide, A::kNone},  // the slide button's own key
      {Key::kOther, kNoShift, none, A::kNone},
      {Key::kPageDown, kNoShift, Control::edHost, A::kNone},
      {Key::kPageDown, kNoShift, Control::memInit, A::kNone},
      {Key::kPageUp, kNoShift, Control::memLyric, A::kNone},
      {Key::kPeriod, kNoShift, Control::cboAdhoc, A::kNone},
      {Key::kB, kNoShift, Control::memLog, A::kNone},
      {Key::kPeriod, kNoShift, Control::cboLaunchCmd, A::kNone},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.key) * 100 + static_cast<int>(c.shift));
    EXPECT_EQ(ClickerKeyAction(c.key, c.shift, c.focus), c.action);
  }
}

TEST(RemoteRulesTest, RoutesOriginsAndPins) {
  EXPECT_EQ(FindRoute("GET", "/"), Route::kRemotePage);
  EXPECT_EQ(FindRoute("POST", "/api/next"), Route::kNext);
  EXPECT_EQ(FindRoute("GET", "/api/next"), std::nullopt);  // no change by GET
  EXPECT_EQ(FindRoute("GET", "/../etc/passwd"), std::nullopt);
  EXPECT_EQ(FindRoute("GET", "/api/state/"), std::nullopt);
  EXPECT_TRUE(KnownPath("/api/next"));
  EXPECT_FALSE(KnownPath("/favicon.ico"));

  const struct {
    const char* origin;
    bool has;
    const char* host;
    bool allowed;
  } origins[] = {
      {"", false, "10.0.0.2:8096", true},
      {"http://10.0.0.2:8096", true, "10.0.0.2:8096", true},
      {"http://evil.example", true, "10.0.0.2:8096", false},
      {"null", true, "10.0.0.2:8096", false},
      {"https://10.0.0.2:8096", true, "10.0.0.2:8096", false},
      {"http://10.0.0.2:8096", true, "", false},
  };
  for (const auto& o : origins)
    EXPECT_EQ(OriginAllowed(o.origin, o.has, o.host), o.allowed) << o.origin;

  const struct {
    const char* host;
    bool loopback;
    bool allowed;
  } hosts[] = {
      {"127.0.0.1:8096", true, true},
      {"localhost:8096", true, true},
      {"LocalHost", true, true},
      {"[::1]:8096", true, true},
      {"evil.example:8096", true, false},
      {"", true, false},
      {"127.0.0.1.evil.example", true, false},
      {"192.168.1.5:8096", false, true},
  };
  for (const auto& h : hosts) EXPECT_EQ(HostAllowed(h.host, h.loopback), h.allowed) << h.host;

  const struct {
    const char* pin;
    const char* header;
    const char* cookie;
    bool accepted;
  } pins[] = {
      {"", "", "", true},
      {"4711", "4711", "", true},
      {"4711", "", "a=b; stanzo_pin=4711", true},
      {"a b&", "", "stanzo_pin=a%20b%26", true},
      {"4711", "471", "", false},
      {"4711", "47110", "", false},
      {"4711", "", "stanzo_pin_x=4711", false},
      {"4711", "", "", false},
  };
  for (const auto& p : pins)
    EXPECT_EQ(PinAccepted(p.pin, p.header, p.cookie), p.accepted) << p.header << p.cookie;
  EXPECT_EQ(FormValue("x=1&pin=12+3%34", "pin"), "12 34");
  EXPECT_EQ(FormValue("pinx=1", "pin"), std::nullopt);
}

TEST(RemoteRulesTest, SelectBody) {
  EXPECT_EQ(SelectIndex(R"({"index": 3})"), 3);
  EXPECT_EQ(SelectIndex(R"({"index":-1,"x":[]})"), -1);
  for (const char* bad : {"", "3", R"({"index":"3"})", R"({"index":1.5})", R"([{"index":1}])",
                          R"({"index":1)", R"({"other":1})"})
    EXPECT_EQ(SelectIndex(bad), std::nullopt) << bad;
}

TEST(RemoteRulesTest, StateJsonIsValidTextWhateverTheLinesHold) {
  State s;
  s.connected = true;
  s.queue = {"a \"q\"", "<b>\xff", "@m3 x"};
  s.selected = 1;
  s.live = 0;
  s.liveText = "a\nb";
  s.nextText = NextSlideText(s.queue, 1);
  EXPECT_EQ(StateJson(s),
            "{\"connected\":true,\"queue\":[\"a \\\"q\\\"\",\"<b>\xEF\xBF\xBD\",\"@m3 x\"],"
            "\"selected\":1,\"live\":0,\"liveText\":\"a\\nb\",\"nextText\":\"<b>\xEF\xBF\xBD\","
            "\"blank\":false}");
  EXPECT_EQ(NextSlideText({"@m1 x", "{init}*", "one$_two\\"}, 0), "one\ntwo");
  EXPECT_EQ(NextSlideText({"a"}, -1), "");
}

TEST(RemoteHubTest, ATaskNotTakenInTimeIsWithdrawnAndNeverRuns) {
  RemoteHub hub;
  int woken = 0, ran = 0;
  hub.SetWake([&] { ++woken; });
  EXPECT_EQ(hub.Call(
                [&] {
                  ++ran;
                  return Reply{200, "x"};
                },
                20ms),
            std::nullopt);
  EXPECT_EQ(woken, 1);
  EXPECT_EQ(hub.RunPending(), 0);
  EXPECT_EQ(ran, 0);

  std::optional<Reply> reply;
  std::thread server([&] {
    reply = hub.Call(
        [&] {
          ++ran;
          return Reply{409, "no"};
        },
        10s);
  });
  while (hub.RunPending() == 0) std::this_thread::yield();
  server.join();
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->status, 409);
  EXPECT_EQ(ran, 1);
}

TEST(RemoteHubTest, WaitersWakeOnlyForAChange) {
  RemoteHub hub;
  hub.Publish("s", "o");
  const Snapshot first = hub.Latest();
  hub.Publish("s", "o");
  EXPECT_EQ(hub.WaitNewer(first.version, 10ms).version, first.version);
  std::thread later([&] { hub.Publish("s2", "o"); });
  EXPECT_EQ(hub.WaitNewer(first.version, 10s).state, "s2");
  later.join();
  hub.Close();
  EXPECT_EQ(hub.Call([] { return Reply{}; }, 10s), std::nullopt);
}

}  // namespace
}  // namespace stanzo::remote
