// stanzo.exe: the console on the Win32 API. The application's title is
// "Stanzo" (the caption of its message boxes); AppDir is the directory of
// this executable, and the settings file is its path with ".ini".
#include <windows.h>

#include <commctrl.h>

#include <exception>
#include <string>

#include "win/main_window.h"
#include "win/utf16.h"
#ifndef STANZO_WINDOW_ONLY
#include "console/console.h"
#include "win/console_events.h"
#endif

namespace {

// The executable's full path, however long.
std::string ExePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return stanzo::win::Narrow(path);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  try {
    stanzo::win::TfrmMain frmMain(instance, true);
#ifndef STANZO_WINDOW_ONLY
    stanzo::Console console(frmMain, ExePath());
    stanzo::win::ConsoleEvents events(console);
    console.Guard([&] { console.FormCreate(); });
    frmMain.SetEvents(&events);
#else
    (void)ExePath;
#endif
    ShowWindow(frmMain.Handle(), show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      // Tab, Shift+Tab, Return and Esc move between the controls.
      if (frmMain.Handle() && IsDialogMessageW(frmMain.Handle(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    frmMain.SetEvents(nullptr);
    return static_cast<int>(msg.wParam);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, stanzo::win::Widen(e.what()).c_str(), L"Stanzo", MB_ICONSTOP | MB_OK);
    return 1;
  }
}
