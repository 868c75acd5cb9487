// The lyric editor's ways in for song files: files dropped on it, and
// "Insert Song..." in its context menu. Both are reported to WindowEvents;
// the console core does the rest.
#include "win/window.h"

#include <shellapi.h>

#include "win/utf16.h"

namespace stanzo::win {

HMENU LyricEditorMenu(HWND edit) {
  // The edit control's own menu cannot take an item, so this one has its
  // items and the insert.
  DWORD start = 0, end = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const UINT selected = start != end ? MF_ENABLED : MF_GRAYED;
  const UINT paste = IsClipboardFormatAvailable(CF_UNICODETEXT) ? MF_ENABLED : MF_GRAYED;
  const UINT undo = SendMessageW(edit, EM_CANUNDO, 0, 0) ? MF_ENABLED : MF_GRAYED;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | undo, WM_UNDO, L"&Undo");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING | selected, WM_CUT, L"Cu&t");
  AppendMenuW(menu, MF_STRING | selected, WM_COPY, L"&Copy");
  AppendMenuW(menu, MF_STRING | paste, WM_PASTE, L"&Paste");
  AppendMenuW(menu, MF_STRING | selected, WM_CLEAR, L"&Delete");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, EM_SETSEL, L"Select &All");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  const std::wstring insert = Widen(std::string(kInsertSongCaption) + "\t" + kInsertSongShortcut);
  AppendMenuW(menu, MF_STRING, TfrmMain::kInsertSongCommand, insert.c_str());
  return menu;
}

void TfrmMain::ShowLyricMenu(HWND edit, LPARAM at) {
  POINT p = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (at == -1) {  // from the keyboard: at the caret
    GetCaretPos(&p);
    ClientToScreen(edit, &p);
  }
  HMENU menu = LyricEditorMenu(edit);
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd_, nullptr));
  DestroyMenu(menu);
  if (chosen == kInsertSongCommand) {
    // As a command of the window, after the menu has closed.
    PostMessageW(hwnd_, WM_COMMAND, kInsertSongCommand, 0);
  } else if (chosen == EM_SETSEL) {
    SendMessageW(edit, EM_SETSEL, 0, -1);
  } else if (chosen != 0) {
    SendMessageW(edit, chosen, 0, 0);
  }
}

void TfrmMain::DropFiles(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(Narrow(path));
  }
  DragFinish(drop);
  if (events_ && !paths.empty()) events_->FilesDropped(stanzo::Control::memLyric, paths);
}

}  // namespace stanzo::win
