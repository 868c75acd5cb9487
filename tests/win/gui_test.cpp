// stanzo.exe as the operator uses it, against the stand-in player: start
// with a settings file that names the player, Connect, Send Init, two
// slides, close. The player's log (its stdout, one received line per line)
// shows what went over the wire, byte for byte.
//
// Run by gui_test.sh, which starts the stand-in player and passes its port
// and its log: STANZO_STANDIN_PORT, STANZO_STANDIN_LOG (a path of the
// build machine, reached through wine's drive Z:).
#include <httplib.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "win/program_driver.h"

namespace stanzo::win {
namespace {

using Lines = std::vector<std::string>;
using testing::Program;
using testing::TextOf;
using testing::WaitFor;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// What the player received, as it logged it ("1: text"), without the
// first line (its port).
Lines Received() {
  std::string path = "Z:" + Env("STANZO_STANDIN_LOG");
  for (char& c : path)
    if (c == '/') c = '\\';
  std::ifstream in(path, std::ios::binary);
  Lines lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  if (!lines.empty()) lines.erase(lines.begin());
  return lines;
}

TEST(WinGui, ConnectsSendsInitAndSlidesAndAsksTwiceOnClose) {
  ASSERT_FALSE(Env("STANZO_STANDIN_PORT").empty()) << "run by gui_test.sh";
  Program stanzo(
      {{"stanzo.ini", "[Stanzo]\r\nHost=127.0.0.1:" + Env("STANZO_STANDIN_PORT") + "\r\n"}});
  ASSERT_TRUE(stanzo.Start());
  ASSERT_NE(stanzo.Window(), nullptr);
  // The first control in tab order has the focus.
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  EXPECT_TRUE(WaitFor([&] {
    return GetGUIThreadInfo(GetWindowThreadProcessId(stanzo.Window(), nullptr), &gui) &&
           gui.hwndFocus == stanzo.Control("edHost");
  }));
  // Unconnected: the slide button is disabled and reads "butSlide".
  EXPECT_EQ(TextOf(stanzo.Control("butSlide")), "butSlide");
  EXPECT_FALSE(IsWindowEnabled(stanzo.Control("butSlide")));
  EXPECT_EQ(TextOf(stanzo.Control("edHost")), "127.0.0.1:" + Env("STANZO_STANDIN_PORT"));

  stanzo.Click("butConnect");
  ASSERT_TRUE(WaitFor([&] { return TextOf(stanzo.Control("butConnect")) == "Disconnect"; }))
      << TextOf(stanzo.Control("memLog"));
  // The player's greeting reaches the log at a timer tick.
  ASSERT_TRUE(WaitFor([&] {
    return TextOf(stanzo.Control("memLog")).find("R VLC media player 3.0.24 Vetinari\r\n") !=
           std::string::npos;
  })) << TextOf(stanzo.Control("memLog"));
  EXPECT_TRUE(IsWindowEnabled(stanzo.Control("butSlide")));

  stanzo.Click("butSendInit");
  const Lines init = {"1: @m1 marq-position 0", "1: @m1 marq-size 50", "1: @m1 marq-refresh 100",
                      "1: @m2 marq-position 8", "1: @m2 marq-size 20", "1: @m2 marq-refresh 100"};
  ASSERT_TRUE(WaitFor([&] { return Received().size() >= init.size(); }));
  EXPECT_EQ(Received(), init);

  // The sample script's first two slides, each a main line and a preview;
  // a press is done when the queue's highlight has moved on.
  auto selected = [&] {
    DWORD_PTR index = 0;
    SendMessageTimeoutW(stanzo.Control("lstLyrics"), LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &index);
    return static_cast<int>(index);
  };
  Lines sent = init;
  int press = 0;
  for (const Lines& slide : {Lines{"1: @m1 marq-marquee This is the first line of the ",
                                   "1: @m2 marq-marquee first verse of the song"},
                             Lines{"1: @m1 marq-marquee first verse of the song",
                                   "1: @m2 marq-marquee This is the 2nd line of the"}}) {
    stanzo.Click("butSlide");
    sent.insert(sent.end(), slide.begin(), slide.end());
    ++press;
    ASSERT_TRUE(WaitFor([&] { return Received().size() >= sent.size() && selected() == press; }))
        << ::testing::PrintToString(Received()) << selected();
  }
  EXPECT_EQ(Received(), sent);

  // Closing saves the histories, then asks about the two unsaved texts.
  PostMessageW(stanzo.Window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(stanzo.Answer(L"Init Strings not saved", IDNO),
            "Save init commands to Init.txt before exiting?");
  EXPECT_EQ(stanzo.Answer(L"Lyrics not saved", IDNO), "Save lyrics to Lyrics.txt before exiting?");
  ASSERT_EQ(stanzo.ExitCode(), 0);
  std::ifstream history(std::filesystem::path(stanzo.Dir() + L"Stanzo-SentToVLC.txt"),
                        std::ios::binary);
  std::stringstream saved;
  saved << history.rdbuf();
  EXPECT_NE(saved.str().find("@m2 marq-marquee This is the 2nd line of the\r\n"),
            std::string::npos);
  EXPECT_EQ(GetFileAttributesW((stanzo.Dir() + L"Init.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A port nobody listens on now, for the console's web server.
int FreePort() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  int len = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  closesocket(s);
  return ntohs(a.sin_port);
}

// The lines received since `from`, without the player's "N: " client tag.
Lines ReceivedSince(size_t from) {
  Lines all = Received(), out;
  for (size_t i = from; i < all.size(); ++i) out.push_back(all[i].substr(all[i].find(": ") + 2));
  return out;
}

// The web server of stanzo.exe, and the clicker's keys in its window.
TEST(WinGui, TheApiAndTheClickerKeysDriveTheShow) {
  ASSERT_FALSE(Env("STANZO_STANDIN_PORT").empty()) << "run by gui_test.sh";
  const int port = FreePort();
  Program stanzo(
      {{"stanzo.ini", "[Stanzo]\r\nHost=127.0.0.1:" + Env("STANZO_STANDIN_PORT") +
                          "\r\n[Remote]\r\nListen=127.0.0.1:" + std::to_string(port) + "\r\n"},
       {"Lyrics.txt", "One\r\nTwo\r\nThree\r\n"}});
  ASSERT_TRUE(stanzo.Start());
  ASSERT_NE(stanzo.Window(), nullptr);
  httplib::Client api("127.0.0.1", port);
  api.set_read_timeout(std::chrono::seconds(10));
  struct Reply {
    int status = 0;
    std::string body;
  };
  auto call = [&](const char* method, const char* path, const std::string& body = "",
                  const httplib::Headers& headers = {}) {
    auto r = std::string(method) == "GET" ? api.Get(path, headers)
                                          : api.Post(path, headers, body, "application/json");
    return r ? Reply{r->status, r->body} : Reply{};
  };
  Reply r;
  ASSERT_TRUE(WaitFor([&] { return (r = call("POST", "/api/next")).status != 0; }));
  EXPECT_EQ(r.status, 409);
  EXPECT_EQ(r.body, "{\"error\":\"not connected\"}");

  const size_t before = Received().size();
  stanzo.Click("butConnect");
  ASSERT_TRUE(WaitFor([&] { return TextOf(stanzo.Control("butConnect")) == "Disconnect"; }));
  auto selected = [&] {
    DWORD_PTR index = 0;
    SendMessageTimeoutW(stanzo.Control("lstLyrics"), LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &index);
    return static_cast<int>(index);
  };
  r = call("POST", "/api/next");
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.body.find("\"selected\":1,\"live\":0,\"liveText\":\"One\""), std::string::npos)
      << r.body;
  ASSERT_TRUE(WaitFor([&] { return ReceivedSince(before).size() >= 2; }));
  EXPECT_EQ(call("POST", "/api/select", "{\"index\": 0}").status, 200);
  EXPECT_EQ(selected(), 0);
  EXPECT_EQ(call("POST", "/api/select", "{\"index\": 2}", {{"Origin", "http://elsewhere.example"}})
                .status,
            403);

  // The clicker: PageDown in the lyric editor is the editor's; in the
  // queue it is the slide button; "." anywhere but a text field is Blank.
  // The window takes them in this order.
  PostMessageW(stanzo.Control("memLyric"), WM_KEYDOWN, VK_NEXT, 1);
  PostMessageW(stanzo.Control("lstLyrics"), WM_KEYDOWN, VK_NEXT, 1);
  PostMessageW(stanzo.Control("butSlide"), WM_KEYDOWN, VK_OEM_PERIOD, 1);
  ASSERT_TRUE(WaitFor([&] { return ReceivedSince(before).size() >= 6; }));
  EXPECT_EQ(ReceivedSince(before),
            (Lines{"@m1 marq-marquee One", "@m2 marq-marquee Two", "@m1 marq-marquee One",
                   "@m2 marq-marquee Two", "@m1 marq-marquee $_", "@m2 marq-marquee $_"}));
  EXPECT_EQ(selected(), 1);
  r = call("GET", "/api/state");
  EXPECT_NE(r.body.find("\"blank\":true"), std::string::npos) << r.body;

  PostMessageW(stanzo.Window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(stanzo.Answer(L"Init Strings not saved", IDNO),
            "Save init commands to Init.txt before exiting?");
  ASSERT_EQ(stanzo.ExitCode(), 0);
}

}  // namespace
}  // namespace stanzo::win
