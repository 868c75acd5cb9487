// The ConsoleView over the window's controls: each call carried out by the
// control's kind in the control table. Texts cross as UTF-16 here only.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "console/control_table.h"
#include "console/window_rules.h"
#include "text/line_file.h"
#include "win/controls.h"
#include "win/editor_text.h"
#include "win/utf16.h"
#include "win/window.h"

namespace stanzo::win {
namespace {

[[noreturn]] void Unsupported(const char* what, stanzo::Control c) {
  throw std::logic_error(std::string(what) + " is not supported by " + ControlName(c));
}

}  // namespace

HWND TfrmMain::EditOf(stanzo::Control c) const {
  HWND h = Control(c);
  const ControlKind kind = MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind;
  if (kind == ControlKind::SimpleCombo || kind == ControlKind::DropDownCombo) {
    COMBOBOXINFO cbi = {};
    cbi.cbSize = sizeof cbi;
    if (GetComboBoxInfo(h, &cbi) && cbi.hwndItem) return cbi.hwndItem;
    Unsupported("an edit line", c);
  }
  if (kind == ControlKind::Edit || kind == ControlKind::ReadOnlyEdit || kind == ControlKind::Memo)
    return h;
  Unsupported("a selection", c);
}

void TfrmMain::SetTitle(const std::string& title) {
  if (hwnd_) SetWindowTextW(hwnd_, Widen(title).c_str());
}

std::string TfrmMain::Text(stanzo::Control c) const {
  HWND h = Control(c);
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::Memo:
      return EditorNarrow(WindowText(h));
    case ControlKind::ListBox:
      Unsupported("Text", c);
    case ControlKind::Button:
    case ControlKind::PictureButton:
    case ControlKind::RadioGroup: {
      std::wstring caption = WindowText(h);
      for (size_t at = caption.find(L"&&"); at != std::wstring::npos;
           at = caption.find(L"&&", at + 1))
        caption.erase(at, 1);
      return Narrow(caption);
    }
    default:
      return Narrow(WindowText(h));
  }
}

void TfrmMain::SetText(stanzo::Control c, const std::string& text) {
  HWND h = Control(c);
  const ControlSpec& design = MainWindowControls()[static_cast<size_t>(IndexOf(c))];
  const bool caption = design.kind == ControlKind::Button || design.kind == ControlKind::RadioGroup;
  const std::wstring wide = design.kind == ControlKind::Memo ? EditorWide(text)
                            : caption                        ? ButtonCaption(text)
                                                             : Widen(text);
  ++settingText_;
  SetWindowTextW(h, wide.c_str());
  --settingText_;
  switch (design.kind) {
    case ControlKind::Label: {
      // A label sizes itself to its text.
      HDC dc = GetDC(h);
      const int width =
          TextWidth(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), wide);
      ReleaseDC(h, dc);
      RECT r;
      GetWindowRect(h, &r);
      SetWindowPos(h, nullptr, 0, 0, width, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(hwnd_, nullptr, TRUE);  // the old text's pixels
      break;
    }
    case ControlKind::Edit:
    case ControlKind::Memo:
      // The view's own change fires the change event once, as an edit would
      // (a multi-line edit reports none for a set text).
      if (events_) events_->Changed(c);
      break;
    default:
      break;
  }
}

void TfrmMain::InsertText(stanzo::Control c, size_t offset, const std::string& text) {
  HWND e = EditOf(c);
  const size_t at = Utf16Index(Utf16(WindowText(e)), offset, true);
  SendMessageW(e, EM_SETSEL, at, at);
  // Undoable: the edit control's one undo takes the whole insert back. It
  // reports the change itself (EN_CHANGE), as for a typed edit.
  SendMessageW(e, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(EditorWide(text).c_str()));
}

void TfrmMain::AppendLines(stanzo::Control c, const std::string& text) {
  HWND h = Control(c);
  if (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind != ControlKind::Memo)
    Unsupported("AppendLines", c);
  const int length = GetWindowTextLengthW(h);
  const std::wstring wide = (length > 0 ? L"\r\n" : L"") + EditorWide(text);
  SendMessageW(h, EM_SETSEL, length, length);
  SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
}

bool TfrmMain::Enabled(stanzo::Control c) const {
  if (c == stanzo::Control::grpCams) return camerasEnabled_;
  return IsWindowEnabled(Control(c)) != FALSE;
}

void TfrmMain::SetEnabled(stanzo::Control c, bool enabled) {
  std::vector<HWND> windows = {Control(c)};
  if (c == stanzo::Control::grpCams) {
    camerasEnabled_ = enabled;
    for (const Camera& cam : cameras_) windows.push_back(cam.button);
  }
  for (HWND h : windows) {
    // The focus does not stay on a control that cannot take keys.
    if (!enabled && hwnd_ && ::GetFocus() == h) {
      HWND next = GetNextDlgTabItem(hwnd_, h, FALSE);
      ::SetFocus(next && next != h ? next : hwnd_);
    }
    EnableWindow(h, enabled);
  }
}

int TfrmMain::ItemCount(stanzo::Control c) const {
  HWND h = Control(c);
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::ListBox:
      return static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo:
      return static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
    case ControlKind::RadioGroup:
      return static_cast<int>(cameras_.size());
    case ControlKind::Memo:
      return static_cast<int>(EditorLines(Text(c)).size());
    default:
      Unsupported("ItemCount", c);
  }
}

std::string TfrmMain::Item(stanzo::Control c, int index) const {
  HWND h = Control(c);
  std::wstring text;
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::ListBox: {
      const LRESULT n = SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
      if (n == LB_ERR) return {};
      text.assign(static_cast<size_t>(n) + 1, L'\0');
      text.resize(static_cast<size_t>(SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(index),
                                                   reinterpret_cast<LPARAM>(text.data()))));
      return Narrow(text);
    }
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo: {
      const LRESULT n = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
      if (n == CB_ERR) return {};
      text.assign(static_cast<size_t>(n) + 1, L'\0');
      text.resize(static_cast<size_t>(SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                                   reinterpret_cast<LPARAM>(text.data()))));
      return Narrow(text);
    }
    case ControlKind::RadioGroup:
      return index >= 0 && index < static_cast<int>(cameras_.size())
                 ? cameras_[static_cast<size_t>(index)].title
                 : std::string();
    case ControlKind::Memo: {
      const std::string all = Text(c);
      const auto lines = EditorLines(all);
      return index >= 0 && index < static_cast<int>(lines.size())
                 ? std::string(lines[static_cast<size_t>(index)])
                 : std::string();
    }
    default:
      Unsupported("Item", c);
  }
}

void TfrmMain::SetItems(stanzo::Control c, const std::vector<std::string>& items) {
  HWND h = Control(c);
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::ListBox:
      SendMessageW(h, WM_SETREDRAW, FALSE, 0);
      SendMessageW(h, LB_RESETCONTENT, 0, 0);
      SendMessageW(h, LB_INITSTORAGE, items.size(), items.size() * 32);
      for (const std::string& item : items)
        SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
      SendMessageW(h, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(h, nullptr, TRUE);
      break;
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo: {
      // The items change; the edit line keeps its text.
      const std::wstring edit = WindowText(h);
      SendMessageW(h, CB_RESETCONTENT, 0, 0);
      for (const std::string& item : items)
        SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
      SetWindowTextW(h, edit.c_str());
      break;
    }
    case ControlKind::RadioGroup:
      SetCameraItems(items);
      break;
    default:
      Unsupported("SetItems", c);
  }
}

void TfrmMain::InsertItem(stanzo::Control c, int index, const std::string& text) {
  HWND h = Control(c);
  const std::wstring wide = Widen(text);
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::ListBox:
      SendMessageW(h, LB_INSERTSTRING, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(wide.c_str()));
      break;
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo:
      SendMessageW(h, CB_INSERTSTRING, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(wide.c_str()));
      break;
    default:
      Unsupported("InsertItem", c);
  }
}

void TfrmMain::DeleteItem(stanzo::Control c, int index) {
  HWND h = Control(c);
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::ListBox:
      SendMessageW(h, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
      break;
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo:
      SendMessageW(h, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
      break;
    default:
      Unsupported("DeleteItem", c);
  }
}

int TfrmMain::ItemIndex(stanzo::Control c) const {
  HWND h = Control(c);
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::ListBox:
      return static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0));  // LB_ERR is -1
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo:
      return static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0));  // CB_ERR is -1
    case ControlKind::RadioGroup:
      return camera_;
    default:
      Unsupported("ItemIndex", c);
  }
}

void TfrmMain::SetItemIndex(stanzo::Control c, int index) {
  HWND h = Control(c);
  const int count = ItemCount(c);
  if (index < 0 || index >= count) index = -1;
  switch (MainWindowControls()[static_cast<size_t>(IndexOf(c))].kind) {
    case ControlKind::ListBox:
      SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      break;
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo:
      SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      break;
    case ControlKind::RadioGroup:
      SelectCamera(index);
      break;
    default:
      Unsupported("SetItemIndex", c);
  }
}

ConsoleView::Selection TfrmMain::GetSelection(stanzo::Control c) const {
  HWND e = EditOf(c);
  DWORD start = 0, end = 0;
  SendMessageW(e, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const bool crlf = (GetWindowLongPtrW(e, GWL_STYLE) & ES_MULTILINE) != 0;
  const std::wstring wide = WindowText(e);
  const size_t s = Utf8Offset(Utf16(wide), start, crlf), f = Utf8Offset(Utf16(wide), end, crlf);
  return {s, f - s};
}

void TfrmMain::SetSelection(stanzo::Control c, size_t start, size_t length) {
  HWND e = EditOf(c);
  const bool crlf = (GetWindowLongPtrW(e, GWL_STYLE) & ES_MULTILINE) != 0;
  const std::wstring wide = WindowText(e);
  const size_t s = Utf16Index(Utf16(wide), start, crlf);
  const size_t f = Utf16Index(Utf16(wide), start + length, crlf);
  SendMessageW(e, EM_SETSEL, s, f);
  SendMessageW(e, EM_SCROLLCARET, 0, 0);
}

void TfrmMain::SetFocus(stanzo::Control c) {
  HWND h = Control(c);
  if (c == stanzo::Control::grpCams && !cameras_.empty())
    h = cameras_[static_cast<size_t>(std::max(camera_, 0))].button;
  ::SetFocus(h);
}

}  // namespace stanzo::win
