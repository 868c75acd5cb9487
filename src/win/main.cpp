// stanzo.exe: the console on the Win32 API. The application's title is
// "Stanzo" (the caption of its message boxes); AppDir is the directory of
// this executable, and the settings file is its path with ".ini".
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "console/console.h"
#include "console/console_events.h"
#include "platform/env.h"
#include "remote/remote_server.h"
#include "win/utf16.h"
#include "win/window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  try {
    stanzo::win::TfrmMain frmMain(instance, true);
    const stanzo::platform::Env& services = stanzo::platform::Env::Default();
    stanzo::remote::Server remote;
    stanzo::Console console(frmMain, services, services.system.ExecutablePath());
    stanzo::ConsoleEvents events(console);
    // The web server's requests run on this thread, between the window's events.
    remote.Hub().SetWake([hwnd = frmMain.Handle()] {
      PostMessageW(hwnd, stanzo::win::TfrmMain::kRemoteRequestsMessage, 0, 0);
    });
    console.SetRemote(&remote);
    console.Guard([&] { console.FormCreate(); });
    frmMain.SetEvents(&events);
    ShowWindow(frmMain.Handle(), show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (frmMain.PreTranslate(msg)) continue;  // the clicker's keys
      // Tab, Shift+Tab, Return and Esc move between the controls.
      if (frmMain.Handle() && IsDialogMessageW(frmMain.Handle(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    remote.Hub().SetWake(nullptr);
    frmMain.SetEvents(nullptr);
    return static_cast<int>(msg.wParam);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, stanzo::win::Widen(e.what()).c_str(), L"Stanzo", MB_ICONSTOP | MB_OK);
    return 1;
  }
}
