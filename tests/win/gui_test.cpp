// stanzo.exe as the operator uses it, against the stand-in player: start
// with a settings file that names the player, Connect, Send Init, two
// slides, close. The player's log (its stdout, one received line per line)
// shows what went over the wire, byte for byte.
//
// Run by gui_test.sh, which starts the stand-in player and passes its port
// and its log: STANZO_STANDIN_PORT, STANZO_STANDIN_LOG (a path of the
// build machine, reached through wine's drive Z:).
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

}  // namespace
}  // namespace stanzo::win
