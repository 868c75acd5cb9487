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

#include "win/main_window.h"
#include "win/utf16.h"

namespace stanzo::win {
namespace {

using Lines = std::vector<std::string>;
constexpr ULONGLONG kDeadlineMs = 20000;

bool WaitFor(const std::function<bool()>& done) {
  for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < kDeadlineMs; Sleep(20))
    if (done()) return true;
  return done();
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// A control's current text, asked of its process (WM_GETTEXT).
std::string TextOf(HWND h) {
  DWORD_PTR n = 0;
  SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
  std::wstring text(n + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &got);
  text.resize(got);
  return Narrow(text);
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

class Program {
 public:
  Program() {
    wchar_t self[MAX_PATH], temp[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"stanzo.exe";
    // A folder of its own: the program writes its files beside itself.
    GetTempPathW(MAX_PATH, temp);
    dir_ = std::wstring(temp) + L"stanzo-gui-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(dir_.c_str(), nullptr);
    CopyFileW(exe.c_str(), (dir_ + L"stanzo.exe").c_str(), FALSE);
    std::ofstream ini(std::filesystem::path(dir_ + L"stanzo.ini"), std::ios::binary);
    ini << "[Stanzo]\r\nHost=127.0.0.1:" << Env("STANZO_STANDIN_PORT") << "\r\n";
  }
  ~Program() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
      CloseHandle(pi_.hThread);
      CloseHandle(pi_.hProcess);
    }
    for (const wchar_t* f :
         {L"stanzo.exe", L"stanzo.ini", L"Stanzo-SentToVLC.txt", L"Stanzo-LaunchHist.txt"})
      DeleteFileW((dir_ + f).c_str());
    RemoveDirectoryW(dir_.c_str());
  }
  bool Start() {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    const std::wstring exe = dir_ + L"stanzo.exe";
    return CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi_);
  }
  HWND Window() {
    if (!window_)
      WaitFor([&] {
        return (window_ = FindWindowW(TfrmMain::kClassName, L"Stanzo  (Cuewright)")) != nullptr;
      });
    return window_;
  }
  HWND Control(const char* name) { return GetDlgItem(Window(), TfrmMain::ControlId(name)); }
  void Click(const char* name) { PostMessageW(Control(name), BM_CLICK, 0, 0); }
  HANDLE Process() const { return pi_.hProcess; }
  const std::wstring& Dir() const { return dir_; }

 private:
  std::wstring dir_;
  PROCESS_INFORMATION pi_ = {};
  HWND window_ = nullptr;
};

// The message box with caption `caption`: checks its text, answers No.
std::string AnswerNo(const wchar_t* caption) {
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = FindWindowW(L"#32770", caption)) != nullptr; })) return "";
  const std::string text = TextOf(GetDlgItem(box, 0xFFFF));  // the message box's text
  PostMessageW(GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
  return text;
}

TEST(WinGui, ConnectsSendsInitAndSlidesAndAsksTwiceOnClose) {
  ASSERT_FALSE(Env("STANZO_STANDIN_PORT").empty()) << "run by gui_test.sh";
  Program stanzo;
  ASSERT_TRUE(stanzo.Start());
  ASSERT_NE(stanzo.Window(), nullptr);
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

  // The sample script's first two slides, each a main line and a preview.
  Lines sent = init;
  for (const Lines& slide : {Lines{"1: @m1 marq-marquee This is the first line of the ",
                                   "1: @m2 marq-marquee first verse of the song"},
                             Lines{"1: @m1 marq-marquee first verse of the song",
                                   "1: @m2 marq-marquee This is the 2nd line of the"}}) {
    stanzo.Click("butSlide");
    sent.insert(sent.end(), slide.begin(), slide.end());
    ASSERT_TRUE(WaitFor([&] { return Received().size() >= sent.size(); }))
        << testing::PrintToString(Received());
  }
  EXPECT_EQ(Received(), sent);
  DWORD_PTR selected = 0;
  SendMessageTimeoutW(stanzo.Control("lstLyrics"), LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 5000,
                      &selected);
  EXPECT_EQ(static_cast<int>(selected), 2);

  // Closing saves the histories, then asks about the two unsaved texts.
  PostMessageW(stanzo.Window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(AnswerNo(L"Init Strings not saved"), "Save init commands to Init.txt before exiting?");
  EXPECT_EQ(AnswerNo(L"Lyrics not saved"), "Save lyrics to Lyrics.txt before exiting?");
  ASSERT_EQ(WaitForSingleObject(stanzo.Process(), 20000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(stanzo.Process(), &code);
  EXPECT_EQ(code, 0u);
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
