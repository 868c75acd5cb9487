// press_button.exe NAME TEXT: presses the button NAME of the console's
// window, as a click would, and waits until the button reads TEXT. Exit
// code 0 when it does, 1 when the window or the text did not come within
// a minute. For scripts that drive stanzo.exe from outside wine; the one
// console window of the wine session is the one pressed, so its callers
// hold the display's lock.
#include <windows.h>

#include "win/program_driver.h"

int main(int argc, char** argv) {
  using stanzo::win::TfrmMain;
  using stanzo::win::testing::TextOf;
  using stanzo::win::testing::WaitFor;
  if (argc != 3) return 2;
  constexpr ULONGLONG kDeadlineMs = 60000;
  HWND window = nullptr;
  if (!WaitFor(
          [&] {
            window = FindWindowW(TfrmMain::kClassName, nullptr);
            return window && IsWindowVisible(window);
          },
          kDeadlineMs))
    return 1;
  HWND button = GetDlgItem(window, TfrmMain::ControlId(argv[1]));
  if (!button) return 1;
  PostMessageW(button, BM_CLICK, 0, 0);
  return WaitFor([&] { return TextOf(button) == argv[2]; }, kDeadlineMs) ? 0 : 1;
}
