// The console's remote side over the plain-data view and an Env of fakes:
// the [Remote] settings and their log lines, the remote's actions through
// the window's handlers, and the clicker keys, with the player's side read
// on the fake wire.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "console/console.h"
#include "console/fake_console_view.h"
#include "platform/fake_env.h"

namespace stanzo {
namespace {

using namespace std::chrono_literals;
using testing::FakeConsoleView;
using testing::FakeEnv;
using Strings = std::vector<std::string>;
using C = Control;
using remote::Route;

// Records how the console starts the server; runs nothing on threads.
class FakeEndpoint : public remote::Endpoint {
 public:
  remote::RemoteHub& Hub() override { return hub; }
  bool Listen(const std::string& h, int p, const std::string& pn, remote::ActionFn,
              std::string* error) override {
    listened = h + ":" + std::to_string(p) + " pin=" + pn;
    if (!fail.empty()) *error = fail;
    return fail.empty();
  }
  std::int64_t NowMs() override { return 0; }
  remote::RemoteHub hub;
  std::string listened;
  std::string fail;
};

constexpr char kExe[] = "/show/stanzo";

std::string RemoteLog(const FakeConsoleView& v) {
  std::string log;
  for (const std::string& l : v.loggedLines)
    if (l.rfind("E Remote", 0) == 0) log += l + "|";
  return log;
}

TEST(ConsoleRemoteTest, SettingsStartTheServerOrSayWhyNot) {
  const struct {
    const char* ini;  // "" for no settings file
    const char* fail;
    const char* listened;
    const char* log;
  } cases[] = {
      {"", "", "127.0.0.1:8096 pin=", ""},
      {"[Remote]\r\nListen=\r\n", "", "", ""},
      {"[Remote]\r\nListen=0.0.0.0:9000\r\n", "", "127.0.0.1:9000 pin=",
       "E Remote: listening on 127.0.0.1:9000 only: set Pin= in [Remote] to listen on 0.0.0.0|"},
      {"[Remote]\r\nListen=0.0.0.0:9000\r\nPin=2468\r\n", "", "0.0.0.0:9000 pin=2468", ""},
      {"[Remote]\r\nListen=nonsense\r\n", "", "",
       "E Remote: Listen=nonsense is not HOST:PORT (port 0 to 65535); the remote stays off|"},
      {"", "in use", "127.0.0.1:8096 pin=", "E Remote: cannot listen on 127.0.0.1:8096: in use|"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ini);
    FakeEnv fake;
    if (*c.ini) fake.files.files["/show/stanzo.ini"] = c.ini;
    FakeConsoleView v;
    FakeEndpoint endpoint;
    endpoint.fail = c.fail;
    Console core(v, fake.env, kExe);
    core.SetRemote(&endpoint);
    core.FormCreate();
    EXPECT_EQ(endpoint.listened, c.listened);
    EXPECT_EQ(RemoteLog(v), c.log);
    EXPECT_EQ(v.dialogs.calls.size(), 0u);  // never a failure of the console
  }
}

class ConsoleRemoteActions : public ::testing::Test {
 protected:
  void SetUp() override {
    fake.files.files["/show/Lyrics.txt"] = "One$_two\r\n@m3 marq-marquee x\r\nThree\r\nFour\r\n";
    console.SetRemote(&endpoint);
    console.FormCreate();
    view.Attach(&console);
  }
  void Connect() {
    view.SetText(C::edHost, "127.0.0.1:2323");
    console.butConnectClick();
    ASSERT_TRUE(console.IsConnected());
  }
  Strings Sent() const { return testing::WireLines(fake.sockets.wire); }

  FakeEnv fake;
  FakeConsoleView view;
  FakeEndpoint endpoint;
  Console console{view, fake.env, kExe};
};

TEST_F(ConsoleRemoteActions, RefusedActionsChangeNothing) {
  const struct {
    Route route;
    long long index;
    bool connect;
    int selected;
    int status;
    const char* body;
  } cases[] = {
      {Route::kNext, -1, false, 0, 409, "{\"error\":\"not connected\"}"},
      {Route::kBack, -1, false, 0, 409, "{\"error\":\"not connected\"}"},
      {Route::kBlank, -1, false, 0, 409, "{\"error\":\"not connected\"}"},
      {Route::kSelect, 4, false, 0, 400, "{\"error\":\"no such line\"}"},
      {Route::kSelect, -1, false, 0, 400, "{\"error\":\"no such line\"}"},
      {Route::kNext, -1, true, -1, 409, "{\"error\":\"no line selected\"}"},
      {Route::kBack, -1, true, -1, 409, "{\"error\":\"no line selected\"}"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.route));
    if (c.connect && !console.IsConnected()) Connect();
    view[C::lstLyrics].index = c.selected;
    const std::string before = remote::StateJson(console.RemoteState());
    const remote::Reply r = console.RemoteAction(c.route, c.index);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.body, c.body);
    EXPECT_EQ(remote::StateJson(console.RemoteState()), before);
  }
  EXPECT_EQ(Sent(), Strings{});
}

TEST_F(ConsoleRemoteActions, ActionsGoThroughTheWindowsHandlers) {
  Connect();
  // Next: the slide's two lines, byte for byte, and the state after it.
  remote::Reply r = console.RemoteAction(Route::kNext);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(Sent(), (Strings{"@m1 marq-marquee One$_two", "@m2 marq-marquee Three"}));
  remote::State s = console.RemoteState();
  EXPECT_EQ(r.body, remote::StateJson(s));
  EXPECT_EQ(s.selected, 1);
  EXPECT_EQ(s.live, 0);
  EXPECT_EQ(s.liveText, "One\ntwo");
  EXPECT_EQ(s.nextText, "Three");
  EXPECT_EQ(view[C::cboAdhoc].items[0], "@m2 marq-marquee Three");  // the same history

  // Blank keeps the selection; the next press goes on from there.
  EXPECT_EQ(console.RemoteAction(Route::kBlank).status, 200);
  EXPECT_EQ(Sent().at(2), "@m1 marq-marquee $_");
  EXPECT_EQ(Sent().at(3), "@m2 marq-marquee $_");
  s = console.RemoteState();
  EXPECT_TRUE(s.blank);
  EXPECT_EQ(s.liveText, "");
  EXPECT_EQ(s.selected, 1);

  // Select as a click in the queue: nothing is sent.
  EXPECT_EQ(console.RemoteAction(Route::kSelect, 3).status, 200);
  EXPECT_EQ(view[C::lstLyrics].index, 3);
  EXPECT_EQ(console.RemoteState().nextText, "Four");
  console.RemoteAction(Route::kNext);
  EXPECT_EQ(Sent().at(4), "@m1 marq-marquee Four");
  s = console.RemoteState();
  EXPECT_FALSE(s.blank);
  EXPECT_EQ(s.live, 3);
  EXPECT_EQ(s.selected, -1);  // past the last line

  // The pushed snapshot follows what the remote did.
  console.RunRemoteTasks();
  EXPECT_EQ(endpoint.hub.Latest().state, remote::StateJson(s));
  EXPECT_NE(endpoint.hub.Latest().overlay.find("\"text\":\"Four\""), std::string::npos);
}

// A request runs only when no handler runs: not in the events a slide's
// sends handle, nor under a dialog, where no button could be pressed.
TEST_F(ConsoleRemoteActions, RequestsWaitForTheRunningHandler) {
  Connect();
  std::atomic<int> ran{0};
  std::thread server([&] {
    endpoint.hub.Call(
        [&] {
          ++ran;
          return remote::Reply{};
        },
        10s);
  });
  while (endpoint.hub.Latest().version == 0 || ran == 0) {
    console.Guard([&] {
      view.onEvents = [&] {  // the window's timer and wake, as bound
        console.Guard([&] { console.Timer1Timer(); });
        console.RunRemoteTasks();
        EXPECT_EQ(ran, 0);
      };
      console.butSlideClick();
      view.onEvents = nullptr;
      console.Guard([&] { console.Timer1Timer(); });  // under a dialog, say
      EXPECT_EQ(ran, 0);
    });
    console.RunRemoteTasks();
  }
  server.join();
  EXPECT_EQ(ran, 1);
}

// Blank pressed while a slide's sends handle events follows the slide,
// never between its two lines.
TEST_F(ConsoleRemoteActions, ABlankPressedAmidASlideFollowsIt) {
  Connect();
  bool pressed = false;
  view.onEvents = [&] {
    if (!std::exchange(pressed, true)) console.FormKeyDown(Key::kPeriod, kNoShift, std::nullopt);
  };
  console.Guard([&] { console.butSlideClick(); });
  view.onEvents = nullptr;
  EXPECT_EQ(Sent(), (Strings{"@m1 marq-marquee One$_two", "@m2 marq-marquee Three",
                             "@m1 marq-marquee $_", "@m2 marq-marquee $_"}));
  EXPECT_TRUE(console.RemoteState().blank);
  EXPECT_EQ(view[C::lstLyrics].index, 1);
}

TEST_F(ConsoleRemoteActions, ClickerKeysActOutsideTextFields) {
  // Not connected: the keys are the clicker's, but the buttons are off.
  EXPECT_TRUE(console.FormKeyDown(Key::kPageDown, kNoShift, C::lstLyrics));
  Connect();
  EXPECT_FALSE(console.FormKeyDown(Key::kPageDown, kNoShift, C::memLyric));
  EXPECT_FALSE(console.FormKeyDown(Key::kB, kNoShift, C::edHost));
  EXPECT_EQ(Sent(), Strings{});
  EXPECT_TRUE(console.FormKeyDown(Key::kPageDown, kNoShift, C::lstLyrics));
  EXPECT_TRUE(console.FormKeyDown(Key::kPeriod, kNoShift, std::nullopt));
  EXPECT_TRUE(console.FormKeyDown(Key::kPageUp, kNoShift, C::butSlide));
  EXPECT_EQ(Sent(), (Strings{"@m1 marq-marquee One$_two", "@m2 marq-marquee Three",
                             "@m1 marq-marquee $_", "@m2 marq-marquee $_",
                             "@m1 marq-marquee One$_two", "@m2 marq-marquee Three"}));
  EXPECT_EQ(view[C::lstLyrics].index, 1);
}

}  // namespace
}  // namespace stanzo
