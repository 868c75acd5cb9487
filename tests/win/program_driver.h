// Drives stanzo.exe from another process, as an operator would: a folder of
// its own with the files given, the program started there, its window and
// its message boxes found among its own process's windows (another
// program's window never answers for it). Waits have a 20 s deadline.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "win/utf16.h"
#include "win/window.h"

namespace stanzo::win::testing {

inline bool WaitFor(const std::function<bool()>& done, ULONGLONG deadlineMs = 20000) {
  for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < deadlineMs; Sleep(20))
    if (done()) return true;
  return done();
}

// A control's current text, asked of its process (WM_GETTEXT).
inline std::string TextOf(HWND h) {
  DWORD_PTR n = 0;
  SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
  std::wstring text(n + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_ABORTIFHUNG, 5000, &got);
  text.resize(got);
  return Narrow(text);
}

class Program {
 public:
  // `files`: name and bytes of each file to put beside the program.
  explicit Program(const std::vector<std::pair<std::string, std::string>>& files) {
    wchar_t self[MAX_PATH], temp[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe = self;
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"stanzo.exe";
    GetTempPathW(MAX_PATH, temp);
    dir_ = std::wstring(temp) + L"stanzo-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64()) + L"\\";
    CreateDirectoryW(dir_.c_str(), nullptr);
    CopyFileW(exe.c_str(), (dir_ + L"stanzo.exe").c_str(), FALSE);
    for (const auto& [name, bytes] : files)
      std::ofstream(std::filesystem::path(dir_ + Widen(name)), std::ios::binary) << bytes;
  }
  ~Program() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(pi_.hProcess, 1);
        WaitForSingleObject(pi_.hProcess, 5000);
      }
      CloseHandle(pi_.hThread);
      CloseHandle(pi_.hProcess);
    }
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(dir_), ignored);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool Start() {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    const std::wstring exe = dir_ + L"stanzo.exe";
    return CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi_);
  }
  // The program's top-level window of class `cls` with caption `caption`.
  HWND Find(const wchar_t* cls, const wchar_t* caption) const {
    struct Search {
      DWORD pid;
      const wchar_t *cls, *caption;
      HWND found;
    } s = {pi_.dwProcessId, cls, caption, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(h, &pid);
          wchar_t cls[64] = {}, caption[256] = {};
          GetClassNameW(h, cls, 64);
          GetWindowTextW(h, caption, 256);
          if (pid != s->pid || wcscmp(cls, s->cls) || wcscmp(caption, s->caption) ||
              !IsWindowVisible(h))
            return TRUE;
          s->found = h;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
  }
  HWND Window() {
    if (!window_)
      WaitFor([&] { return (window_ = Find(TfrmMain::kClassName, L"Stanzo  (Cuewright)")); });
    return window_;
  }
  HWND Control(const char* name) { return GetDlgItem(Window(), TfrmMain::ControlId(name)); }
  void Click(const char* name) { PostMessageW(Control(name), BM_CLICK, 0, 0); }
  // The message box captioned `caption`: its text, after answering `button`.
  std::string Answer(const wchar_t* caption, int button) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = Find(L"#32770", caption)) != nullptr; })) return "";
    const std::string text = TextOf(GetDlgItem(box, 0xFFFF));  // a message box's text
    PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    return text;
  }
  // Waits for the program's end; its exit code, or -1 past the deadline.
  long ExitCode() const {
    if (WaitForSingleObject(pi_.hProcess, 20000) != WAIT_OBJECT_0) return -1;
    DWORD code = 1;
    GetExitCodeProcess(pi_.hProcess, &code);
    return static_cast<long>(code);
  }
  const std::wstring& Dir() const { return dir_; }

 private:
  std::wstring dir_;
  PROCESS_INFORMATION pi_ = {};
  HWND window_ = nullptr;
};

}  // namespace stanzo::win::testing
