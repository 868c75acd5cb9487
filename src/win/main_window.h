// TfrmMain on the Win32 API: the console's one window, built control by
// control from the control table (console/control_table.h) with each
// control's kind, place, size, tab order, texts, hints and font. It has no
// behaviour yet: the handlers come with the console core.
//
// Threading: create, use and destroy it on one thread, the thread whose
// message loop serves it. Texts cross to the W functions as UTF-16
// (win/utf16.h).
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace stanzo::win {

class TfrmMain {
 public:
  // The window class's name, for FindWindowW.
  static constexpr wchar_t kClassName[] = L"TfrmMain";

  // Creates the window with every control, hidden, at the design's place
  // and outer size. `quitOnDestroy`: the window's destruction ends the
  // thread's message loop (PostQuitMessage), as the program's one window
  // does. Throws std::runtime_error when Windows refuses a window.
  TfrmMain(HINSTANCE instance, bool quitOnDestroy);
  ~TfrmMain();
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  HWND Handle() const { return hwnd_; }
  // The control named `name` in the control table; null for an unknown name.
  HWND Control(std::string_view name) const;
  // The radio buttons of grpCams, top to bottom.
  const std::vector<HWND>& Cameras() const { return cameras_; }
  // Factor applied to the design geometry (1 when the font measures 13 px).
  double LayoutScale() const { return scale_; }

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void CreateFonts();
  void CreateControls();
  void CreateHints();
  void SetTabOrder();
  int Scaled(int v) const { return static_cast<int>(v * scale_ + 0.5); }

  HINSTANCE instance_;
  bool quitOnDestroy_;
  HWND hwnd_ = nullptr;
  HWND tips_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bold_ = nullptr;
  HFONT underlined_ = nullptr;
  double scale_ = 1.0;
  std::vector<HWND> controls_;  // parallel to MainWindowControls()
  std::vector<HWND> cameras_;
  std::vector<HBITMAP> bitmaps_;  // the picture buttons', freed after the window
};

}  // namespace stanzo::win
