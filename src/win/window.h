// TfrmMain on the Win32 API: the console's one window, built control by
// control from the control table (console/control_table.h) with each
// control's kind, place, size, tab order, texts, hints and font, and the
// ConsoleView over those controls. It holds no console logic: every event
// goes to WindowEvents (which the program binds to the console core with
// console/console_events.h), and the core reaches the controls through
// ConsoleView.
//
// What the window does itself, by file: window.cpp the window, its
// messages, the 80 ms timer and the event pump; controls.cpp the controls,
// fonts, tab order, tool tips and picture buttons (transparent light grey,
// etched when disabled); camera_group.cpp the radio group (no camera
// selected at start, a click event only for a new choice, Tab only at the
// selected camera); view.cpp the ConsoleView; scroll_bars.cpp its own
// scroll bars when the client area is smaller than the controls' area.
//
// Threading: create, use and destroy it on one thread, the thread whose
// message loop serves it. Texts cross to the W functions as UTF-16
// (win/utf16.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_view.h"
#include "console/window_events.h"
#include "win/dialogs.h"

namespace stanzo::win {

class TfrmMain : public ConsoleView {
 public:
  // The window class's name, for FindWindowW.
  static constexpr wchar_t kClassName[] = L"TfrmMain";
  // Timer1's interval.
  static constexpr UINT kTimerMs = kTickIntervalMs;

  // Creates the window with every control, hidden, at the design's place
  // and outer size; Timer1 runs from here on. `quitOnDestroy`: the
  // window's destruction ends the thread's message loop
  // (PostQuitMessage), as the program's one window does. Throws
  // std::runtime_error when Windows refuses a window.
  TfrmMain(HINSTANCE instance, bool quitOnDestroy);
  ~TfrmMain() override;
  TfrmMain(const TfrmMain&) = delete;
  TfrmMain& operator=(const TfrmMain&) = delete;

  // Events go to `events` (null: nowhere) from now on; it must outlive
  // the window or be unset first.
  void SetEvents(WindowEvents* events) { events_ = events; }
  // Replaces the window's own dialogs (tests); null restores them.
  void SetDialogs(Dialogs* dialogs) { dialogs_ = dialogs ? dialogs : &ownDialogs_; }

  HWND Handle() const { return hwnd_; }
  // Posted to the window (from any thread) when the console's web server
  // has requests waiting: WindowEvents::RemoteRequests on this thread.
  static constexpr UINT kRemoteRequestsMessage = WM_APP + 1;
  // For the message loops, before IsDialogMessage: a key going down in
  // this window is reported to WindowEvents::FormKeyDown first. True: the
  // key was the console's, and must not be translated or dispatched.
  bool PreTranslate(const MSG& msg);
  // The control id (GetDlgItem) of the control named `name`; -1 for an
  // unknown name. The same in every run, for test drivers.
  static int ControlId(std::string_view name);
  // The control named `name` in the control table; null for an unknown name.
  HWND Control(std::string_view name) const;
  HWND Control(stanzo::Control c) const;
  // The radio buttons of grpCams, top to bottom.
  std::vector<HWND> Cameras() const;
  // Factor applied to the design geometry (1 when the font measures 13 px).
  double LayoutScale() const { return scale_; }
  // The window's command for "Insert Song..." of the lyric editor's
  // context menu (a WM_COMMAND with this id reports InsertSongChosen).
  static constexpr UINT kInsertSongCommand = 0x7F01;

  // ConsoleView.
  void SetTitle(const std::string& title) override;
  std::string Text(stanzo::Control c) const override;
  void SetText(stanzo::Control c, const std::string& text) override;
  void AppendLines(stanzo::Control c, const std::string& text) override;
  void InsertText(stanzo::Control c, size_t offset, const std::string& text) override;
  bool Enabled(stanzo::Control c) const override;
  void SetEnabled(stanzo::Control c, bool enabled) override;
  int ItemCount(stanzo::Control c) const override;
  std::string Item(stanzo::Control c, int index) const override;
  void SetItems(stanzo::Control c, const std::vector<std::string>& items) override;
  void InsertItem(stanzo::Control c, int index, const std::string& text) override;
  void DeleteItem(stanzo::Control c, int index) override;
  int ItemIndex(stanzo::Control c) const override;
  void SetItemIndex(stanzo::Control c, int index) override;
  Selection GetSelection(stanzo::Control c) const override;
  void SetSelection(stanzo::Control c, size_t start, size_t length) override;
  void SetFocus(stanzo::Control c) override;
  Dialogs& Dialog() override { return *dialogs_; }
  void ProcessEvents() override;
  void Pause(int ms) override;

 private:
  static constexpr int kFirstId = 100;        // control ids: kFirstId + table index
  static constexpr int kFirstCameraId = 200;  // radio buttons: kFirstCameraId + item
  struct Camera {
    HWND button;
    std::string title;
  };
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK KeyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                  DWORD_PTR self);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void CreateFonts();
  void CreateControls();
  void CreateHints();
  void SetTabOrder();
  void OnCommand(int id, int code);
  // The lyric editor's song input (song_input.cpp).
  void ShowLyricMenu(HWND edit, LPARAM at);
  void DropFiles(HDROP drop);
  void DrawButton(const DRAWITEMSTRUCT& item);
  // The camera group (camera_group.cpp).
  void SetCameraItems(const std::vector<std::string>& items);
  void SelectCamera(int index);
  void OnCameraClicked(int index);
  void LayOutCameras();
  // The scroll bars (scroll_bars.cpp).
  void UpdateScrollBars();
  void Scroll(int bar, int request);
  void ShiftContent(int dx, int dy);
  int Scaled(int v) const { return static_cast<int>(v * scale_ + 0.5); }
  // The control's table entry; its kind decides how each call is done.
  int IndexOf(stanzo::Control c) const;
  HWND EditOf(stanzo::Control c) const;  // the edit line of a combo box, or the edit

  HINSTANCE instance_;
  bool quitOnDestroy_;
  HWND hwnd_ = nullptr;
  HWND tips_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bold_ = nullptr;
  HFONT underlined_ = nullptr;
  HICON icon_ = nullptr;
  double scale_ = 1.0;
  std::vector<HWND> controls_;   // parallel to MainWindowControls()
  std::vector<int> index_;       // Control -> index into controls_
  std::vector<Camera> cameras_;  // the shown ones; more may exist, hidden
  std::vector<HWND> spareCameras_;
  int camera_ = -1;  // the selected camera, -1 for none
  bool camerasEnabled_ = true;
  WindowEvents* events_ = nullptr;
  WinDialogs ownDialogs_;
  Dialogs* dialogs_ = &ownDialogs_;
  int settingText_ = 0;    // >0: change notifications are the view's own
  POINT scroll_ = {0, 0};  // how far the content is scrolled
  bool updatingScrollBars_ = false;
  HWND lastFocus_ = nullptr;  // the focus when the window was last deactivated
};

// The lyric editor's context menu: the edit control's own items and
// "Insert Song...", enabled as `edit` allows. The caller destroys it.
HMENU LyricEditorMenu(HWND edit);

}  // namespace stanzo::win
