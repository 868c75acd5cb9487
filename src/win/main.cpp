// stanzo.exe: the console on the Win32 API.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "win/main_window.h"
#include "win/utf16.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  try {
    stanzo::win::TfrmMain frmMain(instance, true);
    ShowWindow(frmMain.Handle(), show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      // Tab, Shift+Tab, Return and Esc move between the controls.
      if (frmMain.Handle() && IsDialogMessageW(frmMain.Handle(), &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, stanzo::win::Widen(e.what()).c_str(), L"Stanzo", MB_ICONSTOP | MB_OK);
    return 1;
  }
}
