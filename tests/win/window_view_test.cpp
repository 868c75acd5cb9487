// The Win32 window as the console core sees it (ConsoleView) and as the
// operator does: texts and offsets in UTF-8, the radio group's rules, the
// console's keys, change events, the scroll bars, the pump and the dialogs.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "win/utf16.h"
#include "win/window.h"

#include <shlobj.h>

namespace stanzo::win {
namespace {

struct Recorder : WindowEvents {
  std::vector<std::string> seen;
  bool consumeKeys = true;
  int ticks = 0;
  void Clicked(Control c) override { seen.push_back(std::string("click ") + ControlName(c)); }
  void Changed(Control c) override { seen.push_back(std::string("change ") + ControlName(c)); }
  void CameraClicked(int i) override { seen.push_back("camera " + std::to_string(i)); }
  void KeyDown(Control c, Key k, unsigned s) override {
    seen.push_back(std::string("down ") + ControlName(c) + " " + std::to_string(int(k)) + "/" +
                   std::to_string(s));
  }
  bool KeyUp(Control c, Key k, unsigned s) override {
    seen.push_back(std::string("up ") + ControlName(c) + " " + std::to_string(int(k)) + "/" +
                   std::to_string(s));
    return consumeKeys;
  }
  void FilesDropped(Control c, const std::vector<std::string>& paths) override {
    std::string text = std::string("drop ") + ControlName(c);
    for (const std::string& p : paths) text += " " + p;
    seen.push_back(text);
  }
  void InsertSongChosen(Control c) override {
    seen.push_back(std::string("insert song ") + ControlName(c));
  }
  void Tick() override { ++ticks; }
  void Shown() override {}
  void Activated() override {}
  bool Closing() override { return true; }
};

class WinView : public ::testing::Test {
 protected:
  WinView() { window.SetEvents(&events); }
  ~WinView() override { window.SetEvents(nullptr); }
  std::vector<std::string> Seen() { return std::exchange(events.seen, {}); }
  // A key as the operator presses it, with Ctrl held or not.
  void Key(Control c, UINT msg, WPARAM vk, bool ctrl) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageW(window.Control(c), msg, vk, 1);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
  }
  TfrmMain window{GetModuleHandleW(nullptr), false};
  Recorder events;
  ConsoleView& view = window;
};

TEST_F(WinView, TextsItemsAndSelectionsAreUtf8WithByteOffsets) {
  const std::string note = "\xF0\x9F\x8E\xB5", uml = "\xC3\xBC";
  // Each control kind keeps any character.
  for (Control c : {Control::edHost, Control::lblInitFile, Control::butConnect, Control::cboAdhoc,
                    Control::cboLaunchCmd, Control::memInit}) {
    SCOPED_TRACE(ControlName(c));
    const std::string text = "a&b " + note + uml;
    view.SetText(c, text);
    EXPECT_EQ(view.Text(c), text);
  }
  // An editor: lines with "\n", CR LF in the control.
  view.SetText(Control::memLyric, "x" + uml + "\n" + note + " la\n");
  EXPECT_EQ(Narrow(std::wstring(L"x\u00FC\r\n\U0001F3B5 la\r\n")), [&] {
    wchar_t buf[64] = {};
    GetWindowTextW(window.Control(Control::memLyric), buf, 64);
    return Narrow(buf);
  }());
  EXPECT_EQ(view.ItemCount(Control::memLyric), 2);
  EXPECT_EQ(view.Item(Control::memLyric, 1), note + " la");
  view.SetSelection(Control::memLyric, 4, 4);  // the note, after "x\u00FC\n"
  EXPECT_EQ(view.GetSelection(Control::memLyric).start, 4u);
  EXPECT_EQ(view.GetSelection(Control::memLyric).length, 4u);
  view.AppendLines(Control::memLyric, "more\nlines");
  EXPECT_EQ(view.Text(Control::memLyric), "x" + uml + "\n" + note + " la\n\nmore\nlines");
  // Lists and combo boxes.
  for (Control c : {Control::lstLyrics, Control::cboAdhoc, Control::cboLaunchCmd}) {
    SCOPED_TRACE(ControlName(c));
    view.SetText(c == Control::lstLyrics ? Control::edHost : c, "kept");
    view.SetItems(c, {"one", note, ""});
    view.InsertItem(c, 1, "new");
    view.DeleteItem(c, 0);
    ASSERT_EQ(view.ItemCount(c), 3);
    EXPECT_EQ(view.Item(c, 0), "new");
    EXPECT_EQ(view.Item(c, 1), note);
    EXPECT_EQ(view.ItemIndex(c), -1);
    view.SetItemIndex(c, 1);
    EXPECT_EQ(view.ItemIndex(c), 1);
    if (c != Control::lstLyrics) {
      EXPECT_EQ(view.Text(c), note);
    }
    view.SetItemIndex(c, 7);
    EXPECT_EQ(view.ItemIndex(c), -1);
  }
  EXPECT_TRUE(Seen().size() > 0);  // only change events, checked elsewhere
}

TEST_F(WinView, EventsReachTheirHandlersOnce) {
  // A set text fires the change event once, as typing does.
  view.SetText(Control::memInit, "same");
  view.SetText(Control::memInit, "same");
  SendMessageW(window.Control(Control::edHost), WM_CHAR, 'x', 1);
  view.SetText(Control::lblInitFile, "label");  // no event
  SendMessageW(window.Control(Control::butConnect), BM_CLICK, 0, 0);
  SendMessageW(window.Control(Control::butInitSave), BM_CLICK, 0, 0);  // a picture button
  EXPECT_EQ(Seen(), (std::vector<std::string>{"change memInit", "change memInit", "change edHost",
                                              "click butConnect", "click butInitSave"}));
  // The console's keys: keypad 0 on the slide button (which still acts on
  // it), Ctrl+A/F/F3 released in the lyric editor.
  Key(Control::butSlide, WM_KEYDOWN, VK_NUMPAD0, false);
  Key(Control::memLyric, WM_KEYUP, 'F', true);
  Key(Control::memLyric, WM_KEYUP, VK_F3, false);
  Key(Control::memLyric, WM_KEYDOWN, 'A', true);  // downs are the editor's
  EXPECT_EQ(Seen(),
            (std::vector<std::string>{"down butSlide 4/0", "up memLyric 2/2", "up memLyric 3/0"}));
  // Tab leaves an editor, Return stays in it as a line break.
  ShowWindow(window.Handle(), SW_SHOW);
  SetForegroundWindow(window.Handle());
  view.Pause(100);  // the activation, which focuses the first control
  HWND memInit = window.Control(Control::memInit);
  view.SetText(Control::memInit, "ab");
  view.SetSelection(Control::memInit, 1, 0);
  ::SetFocus(memInit);
  PostMessageW(memInit, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageW(memInit, WM_KEYDOWN, VK_TAB, 1);
  view.ProcessEvents();
  EXPECT_EQ(view.Text(Control::memInit), "a\nb");
  EXPECT_EQ(GetFocus(), window.Control(Control::butSendInit));
  Seen();
  // The timer ticks while the view pauses.
  view.Pause(300);
  EXPECT_GE(events.ticks, 2);
}

TEST_F(WinView, TheLyricEditorTakesSongs) {
  HWND memLyric = window.Control(Control::memLyric);
  // An insert is one edit: reported as a change, taken back by one undo.
  view.SetText(Control::memLyric, "one\ntwo\n");
  Seen();
  view.InsertText(Control::memLyric, 4, "S\xC3\xBCn\n\n");
  EXPECT_EQ(view.Text(Control::memLyric), "one\nS\xC3\xBCn\n\ntwo\n");
  EXPECT_EQ(Seen(), std::vector<std::string>{"change memLyric"});
  SendMessageW(memLyric, WM_UNDO, 0, 0);
  EXPECT_EQ(view.Text(Control::memLyric), "one\ntwo\n");
  Seen();
  // Files dropped on it, as the shell hands them over.
  const std::wstring names(L"C:\\S\\a.xml\0C:\\S\\\u00E9.cho\0\0", 23);
  HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = TRUE;
  memcpy(files + 1, names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(drop);
  SendMessageW(memLyric, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  EXPECT_EQ(Seen(), std::vector<std::string>{"drop memLyric C:\\S\\a.xml C:\\S\\\xC3\xA9.cho"});
  // Its context menu ends with Insert Song, which the window reports.
  HMENU menu = LyricEditorMenu(memLyric);
  const int last = GetMenuItemCount(menu) - 1;
  wchar_t text[64] = {};
  GetMenuStringW(menu, last, text, 64, MF_BYPOSITION);
  EXPECT_EQ(Narrow(text), "Insert Song...\tCtrl+O");
  EXPECT_EQ(GetMenuItemID(menu, last), TfrmMain::kInsertSongCommand);
  DestroyMenu(menu);
  SendMessageW(window.Handle(), WM_COMMAND, TfrmMain::kInsertSongCommand, 0);
  // Ctrl+O is the console's key there, never a character.
  Key(Control::memLyric, WM_KEYUP, 'O', true);
  Key(Control::memLyric, WM_CHAR, 15, true);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"insert song memLyric", "up memLyric 5/2"}));
  EXPECT_EQ(view.Text(Control::memLyric), "one\ntwo\n");
}

TEST_F(WinView, TheRadioGroupClicksOnlyOnANewChoice) {
  view.SetItems(Control::grpCams, {"Wide", "A&B", ""});
  const std::vector<HWND> cams = window.Cameras();
  ASSERT_EQ(cams.size(), 3u);
  EXPECT_EQ(view.Item(Control::grpCams, 1), "A&B");
  auto tabStops = [&] {
    std::string stops;
    for (HWND b : cams) stops += (GetWindowLongPtrW(b, GWL_STYLE) & WS_TABSTOP) ? "T" : "-";
    return stops;
  };
  EXPECT_EQ(tabStops(), "---");  // none selected: Tab passes the group by
  for (int click : {1, 1, 2, 0}) SendMessageW(cams[click], BM_CLICK, 0, 0);
  EXPECT_EQ(Seen(), (std::vector<std::string>{"camera 1", "camera 2", "camera 0"}));
  EXPECT_EQ(view.ItemIndex(Control::grpCams), 0);
  EXPECT_EQ(SendMessageW(cams[0], BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(cams[2], BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(tabStops(), "T--");
  // Reloading the titles clears the choice, so the same camera counts again.
  view.SetItems(Control::grpCams, {"Wide", "A&B", ""});
  EXPECT_EQ(view.ItemIndex(Control::grpCams), -1);
  SendMessageW(cams[0], BM_CLICK, 0, 0);
  EXPECT_EQ(Seen(), std::vector<std::string>{"camera 0"});
  view.SetEnabled(Control::grpCams, false);
  EXPECT_FALSE(view.Enabled(Control::grpCams));
  for (HWND b : cams) EXPECT_FALSE(IsWindowEnabled(b));
}

TEST_F(WinView, ScrollsItsContentBelowTheDesignSize) {
  HWND h = window.Handle();
  HWND cams = window.Control(Control::grpCams);
  auto left = [&] {
    RECT r;
    GetWindowRect(cams, &r);
    MapWindowPoints(HWND_DESKTOP, h, reinterpret_cast<POINT*>(&r), 2);
    return r.left;
  };
  const LONG designLeft = left();
  EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_HSCROLL);
  SetWindowPos(h, nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_HSCROLL);
  EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_VSCROLL);
  SendMessageW(h, WM_HSCROLL, SB_BOTTOM, 0);
  // The design's right edge is now at the client area's right edge.
  RECT rc;
  GetClientRect(h, &rc);
  EXPECT_EQ(left() - designLeft + static_cast<LONG>(745 * window.LayoutScale() + 0.5), rc.right);
  // Large again: everything back in place, no scroll bars.
  SetWindowPos(h, nullptr, 0, 0, 900, 600, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(left(), designLeft);
  EXPECT_FALSE(GetWindowLongPtrW(h, GWL_STYLE) & WS_HSCROLL);
}

// Answers the first dialog with caption `caption` from another thread,
// after checking it, as the operator would.
struct Answer {
  std::thread thread;
  std::atomic<bool> found{false};
  std::wstring defaultText, buttons;
  Answer(const wchar_t* caption, std::function<void(HWND)> act) {
    thread = std::thread([this, caption, act] {
      for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
        HWND dlg = FindWindowW(L"#32770", caption);
        if (!dlg || !IsWindowVisible(dlg)) continue;
        found = true;
        act(dlg);
        return;
      }
    });
  }
  ~Answer() { thread.join(); }
};

std::wstring TextOf(HWND h) {
  wchar_t buf[512] = {};
  GetWindowTextW(h, buf, 512);
  return buf;
}

TEST(WinDialogsTest, ConfirmAndPromptAnswerAsDesigned) {
  WinDialogs dialogs;
  {
    // "&Yes" is the default button, "&No" is Esc.
    std::wstring yes, no;
    LRESULT def = 0;
    Answer a(L"Confirm", [&](HWND dlg) {
      yes = TextOf(GetDlgItem(dlg, IDYES));
      no = TextOf(GetDlgItem(dlg, IDNO));
      def = SendMessageW(dlg, DM_GETDEFID, 0, 0);
      PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);  // what Esc sends
    });
    EXPECT_FALSE(dialogs.Confirm("Search text not found.  Again?"));
    EXPECT_EQ(yes, L"&Yes");
    EXPECT_EQ(no, L"&No");
    EXPECT_EQ(LOWORD(def), IDYES);
  }
  {
    Answer a(L"Confirm", [](HWND dlg) { PostMessageW(dlg, WM_COMMAND, IDOK, 0); });  // Return
    EXPECT_TRUE(dialogs.Confirm("Sure?"));
  }
  {
    // Typing stops at 255 characters.
    Answer a(L"Text Search", [](HWND dlg) {
      HWND edit = GetNextDlgTabItem(dlg, nullptr, FALSE);
      for (int i = 0; i < 300; ++i) SendMessageW(edit, WM_CHAR, L'\u00FC', 1);
      PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    });
    std::optional<std::string> typed = dialogs.Prompt("Text Search", "Enter:", "x");
    ASSERT_TRUE(typed);
    EXPECT_EQ(Widen(*typed), std::wstring(255, L'\u00FC'));
  }
  EXPECT_EQ(OpenDialogFilter("T (*.txt)|*.TXT|all (*)|*"),
            std::wstring(L"T (*.txt)\0*.TXT\0all (*)\0*\0\0", 27));
  // What a multiple-selection open dialog leaves: one full path, or the
  // folder and the names.
  EXPECT_EQ(OpenDialogPaths(std::wstring(L"C:\\S\\a.xml\0\0", 12)),
            std::vector<std::string>{"C:\\S\\a.xml"});
  EXPECT_EQ(OpenDialogPaths(std::wstring(L"C:\\S\0a.xml\0\u00E9.cho\0\0", 18)),
            (std::vector<std::string>{"C:\\S\\a.xml", "C:\\S\\\xC3\xA9.cho"}));
  EXPECT_EQ(OpenDialogPaths(std::wstring(L"C:\\\0a.txt\0\0", 11)),
            std::vector<std::string>{"C:\\a.txt"});
}

}  // namespace
}  // namespace stanzo::win
