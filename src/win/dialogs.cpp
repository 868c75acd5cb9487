#include "win/dialogs.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "win/utf16.h"

namespace stanzo::win {
namespace {

constexpr wchar_t kAppTitle[] = L"Stanzo";
constexpr int kTextId = 100, kIconId = 101, kEditId = 102;
const LPCWSTR kQuestionIcon = MAKEINTRESOURCEW(32514);  // IDI_QUESTION

// An in-memory dialog template (DLGTEMPLATE and its items), in dialog
// units, with the dialog font "MS Shell Dlg" 8.
class Template {
 public:
  Template(const std::wstring& title, int cx, int cy) {
    Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
    Dword(0);  // extended style
    count_ = data_.size();
    Word(0);  // item count, filled in by Add
    for (int v : {0, 0, cx, cy}) Word(static_cast<WORD>(v));
    Word(0);  // no menu
    Word(0);  // the standard class
    String(title);
    Word(8);
    String(L"MS Shell Dlg");
  }
  // `cls`: 0x80 button, 0x81 edit, 0x82 static.
  void Add(WORD cls, DWORD style, int x, int y, int cx, int cy, int id, const std::wstring& text) {
    if (data_.size() % 2) Word(0);  // items start on a DWORD boundary
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (int v : {x, y, cx, cy, id}) Word(static_cast<WORD>(v));
    Word(0xFFFF);
    Word(cls);
    String(text);
    Word(0);  // no creation data
    ++data_[count_];
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

 private:
  void Word(WORD w) { data_.push_back(w); }
  void Dword(DWORD d) {
    Word(LOWORD(d));
    Word(HIWORD(d));
  }
  void String(const std::wstring& s) {
    data_.insert(data_.end(), s.begin(), s.end());
    Word(0);
  }
  std::vector<WORD> data_;
  size_t count_ = 0;
};

struct ConfirmState {
  std::wstring text;
};

// Sizes the confirmation to its text: icon left, text right of it, the two
// buttons centred below.
void LayOutConfirm(HWND dlg, const std::wstring& text) {
  HWND label = GetDlgItem(dlg, kTextId);
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0)));
  RECT r = {0, 0, 420, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  RECT units = {7, 7, 50, 14};  // margin, margin, button width, button height
  MapDialogRect(dlg, &units);
  const int margin = units.left, bw = units.right, bh = units.bottom;
  const int icon = GetSystemMetrics(SM_CXICON);
  const int textLeft = margin + icon + margin * 2;
  const int textHeight = std::max<int>(r.bottom, icon);
  const int width = std::max<int>(textLeft + r.right + margin * 2, 2 * bw + 3 * margin);
  const int buttonsTop = margin * 2 + textHeight + margin;
  SetWindowPos(GetDlgItem(dlg, kIconId), nullptr, margin * 2, margin * 2, icon, icon, SWP_NOZORDER);
  SetWindowPos(label, nullptr, textLeft, margin * 2 + (textHeight - r.bottom) / 2, r.right,
               r.bottom, SWP_NOZORDER);
  const int left = (width - (2 * bw + margin)) / 2;
  SetWindowPos(GetDlgItem(dlg, IDYES), nullptr, left, buttonsTop, bw, bh, SWP_NOZORDER);
  SetWindowPos(GetDlgItem(dlg, IDNO), nullptr, left + bw + margin, buttonsTop, bw, bh,
               SWP_NOZORDER);
  RECT outer = {0, 0, width, buttonsTop + bh + margin * 2};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
  // Centred over the owner, or the screen.
  RECT over = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (HWND owner = GetWindow(dlg, GW_OWNER); owner && IsWindowVisible(owner))
    GetWindowRect(owner, &over);
  const int w = outer.right - outer.left, h = outer.bottom - outer.top;
  SetWindowPos(dlg, nullptr, over.left + (over.right - over.left - w) / 2,
               over.top + (over.bottom - over.top - h) / 2, w, h, SWP_NOZORDER);
}

INT_PTR CALLBACK ConfirmProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<ConfirmState*>(lp);
      SetDlgItemTextW(dlg, kTextId, state->text.c_str());
      SendDlgItemMessageW(dlg, kIconId, STM_SETICON,
                          reinterpret_cast<WPARAM>(LoadIconW(nullptr, kQuestionIcon)), 0);
      LayOutConfirm(dlg, state->text);
      SetFocus(GetDlgItem(dlg, IDYES));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDYES:
        case IDOK:  // Return
          EndDialog(dlg, IDYES);
          return TRUE;
        case IDNO:
        case IDCANCEL:  // Esc and the close box
          EndDialog(dlg, IDNO);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

struct PromptState {
  std::wstring label, text;
};

INT_PTR CALLBACK PromptProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dlg, DWLP_USER, lp);
      auto* state = reinterpret_cast<PromptState*>(lp);
      SetDlgItemTextW(dlg, kTextId, state->label.c_str());
      HWND edit = GetDlgItem(dlg, kEditId);
      SendMessageW(edit, EM_LIMITTEXT, WinDialogs::kPromptMaxChars, 0);
      SetWindowTextW(edit, state->text.c_str());
      SendMessageW(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrW(dlg, DWLP_USER));
        HWND edit = GetDlgItem(dlg, kEditId);
        state->text.assign(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        state->text.resize(static_cast<size_t>(
            GetWindowTextW(edit, state->text.data(), static_cast<int>(state->text.size()))));
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

// At most `max` UTF-16 units, never half a surrogate pair.
std::wstring Cut(std::wstring text, size_t max) {
  if (text.size() <= max) return text;
  size_t n = max;
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  text.resize(n);
  return text;
}

}  // namespace

void WinDialogs::ShowError(const std::string& message) {
  MessageBoxW(owner_, Widen(message).c_str(), kAppTitle, MB_OK | MB_ICONSTOP);
}

void WinDialogs::ShowMessage(const std::string& text) {
  MessageBoxW(owner_, Widen(text).c_str(), kAppTitle, MB_OK);
}

bool WinDialogs::Confirm(const std::string& text) {
  Template t(kConfirmCaption, 200, 60);
  t.Add(0x82, SS_ICON, 0, 0, 0, 0, kIconId, L"");
  t.Add(0x82, SS_LEFT | SS_NOPREFIX, 0, 0, 10, 10, kTextId, L"");
  t.Add(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, 0, 50, 14, IDYES, L"&Yes");
  t.Add(0x80, BS_PUSHBUTTON | WS_TABSTOP, 0, 0, 50, 14, IDNO, L"&No");
  ConfirmState state{Widen(text)};
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner_, ConfirmProc,
                                 reinterpret_cast<LPARAM>(&state)) == IDYES;
}

bool WinDialogs::AskWarning(const std::string& caption, const std::string& text) {
  return MessageBoxW(owner_, Widen(text).c_str(), Widen(caption).c_str(),
                     MB_YESNO | MB_ICONWARNING) == IDYES;
}

void WinDialogs::Warn(const std::string& caption, const std::string& text) {
  MessageBoxW(owner_, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONWARNING);
}

std::optional<std::string> WinDialogs::Prompt(const std::string& title, const std::string& label,
                                              const std::string& initial) {
  Template t(Widen(title), 180, 63);
  t.Add(0x82, SS_LEFT | SS_NOPREFIX, 8, 8, 164, 10, kTextId, L"");
  t.Add(0x81, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP, 8, 20, 164, 12, kEditId, L"");
  t.Add(0x80, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 66, 41, 50, 14, IDOK, L"OK");
  t.Add(0x80, BS_PUSHBUTTON | WS_TABSTOP, 122, 41, 50, 14, IDCANCEL, L"Cancel");
  PromptState state{Widen(label), Cut(Widen(initial), kPromptMaxChars)};
  if (DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.Get(), owner_, PromptProc,
                              reinterpret_cast<LPARAM>(&state)) != IDOK)
    return std::nullopt;
  return Narrow(Cut(state.text, kPromptMaxChars));
}

std::wstring OpenDialogFilter(const std::string& filter) {
  std::wstring out = Widen(filter);
  std::replace(out.begin(), out.end(), L'|', L'\0');
  out += L'\0';
  out += L'\0';
  return out;
}

namespace {

// The fields both open dialogs share. The strings must outlive the call of
// GetOpenFileNameW: the structure points into them.
OPENFILENAMEW OpenDialogBase(HWND owner, const std::wstring& filter, std::wstring& buffer,
                             const std::wstring& dir, const std::wstring& title) {
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  ofn.lpstrTitle = title.c_str();
  return ofn;
}

}  // namespace

std::optional<std::string> WinDialogs::OpenFile(const OpenFileRequest& request) {
  std::wstring file = Widen(request.fileName);
  file.resize(std::max<size_t>(file.size() + 1, 32768), L'\0');
  const std::wstring filter = OpenDialogFilter(request.filter);
  const std::wstring dir = Widen(request.initialDir), title = Widen(request.title),
                     ext = Widen(request.defaultExt);
  OPENFILENAMEW ofn = OpenDialogBase(owner_, filter, file, dir, title);
  ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  // The design's options: no read-only box, the process's directory stays,
  // the path must exist, and a new name is accepted after the dialog's own
  // question whether to create it.
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
              OFN_PATHMUSTEXIST | OFN_CREATEPROMPT;
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  return Narrow(file.c_str());
}

std::vector<std::string> OpenDialogPaths(const std::wstring& buffer) {
  // One file: its full path. Several: the folder, then each name, each
  // ended by a NUL, and one more NUL at the end.
  std::vector<std::wstring> parts;
  for (size_t at = 0; at < buffer.size() && buffer[at] != L'\0';) {
    const size_t end = buffer.find(L'\0', at);
    parts.push_back(buffer.substr(at, end - at));
    if (end == std::wstring::npos) break;
    at = end + 1;
  }
  std::vector<std::string> paths;
  if (parts.size() == 1) paths.push_back(Narrow(parts[0]));
  for (size_t i = 1; i < parts.size(); ++i) {
    std::wstring dir = parts[0];
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    paths.push_back(Narrow(dir + parts[i]));
  }
  return paths;
}

std::vector<std::string> WinDialogs::OpenFiles(const OpenFileRequest& request) {
  std::wstring buffer(1 << 16, L'\0');
  const std::wstring filter = OpenDialogFilter(request.filter);
  const std::wstring dir = Widen(request.initialDir), title = Widen(request.title);
  OPENFILENAMEW ofn = OpenDialogBase(owner_, filter, buffer, dir, title);
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
              OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT;
  if (!GetOpenFileNameW(&ofn)) return {};
  return OpenDialogPaths(buffer);
}

}  // namespace stanzo::win
