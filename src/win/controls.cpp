// The window's controls, built from the control table: fonts, kinds,
// places scaled to the font, texts, items, the tab order, tool tips and the
// picture buttons.
#include "win/controls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "console/control_table.h"
#include "win/pictures.h"
#include "win/utf16.h"
#include "win/window.h"

namespace stanzo::win {
namespace {

int CALLBACK NoteFamily(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

bool FontExists(HDC dc, const wchar_t* family) {
  LOGFONTW lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, family, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &lf, NoteFamily, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

HFONT MakeFont(const std::wstring& family, int pixelHeight, int weight, bool underline) {
  return CreateFontW(-pixelHeight, 0, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, family.c_str());
}

}  // namespace

int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
  HGDIOBJ old = SelectObject(dc, font);
  RECT r = {0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  return r.right - r.left + tm.tmOverhang;
}

std::wstring WindowText(HWND h) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring ButtonCaption(const std::string& text) {
  std::wstring out;
  for (wchar_t c : Widen(text)) {
    if (c == L'&') out += L'&';
    out += c;
  }
  return out;
}

void TfrmMain::CreateFonts() {
  const WindowSpec& w = MainWindowSpec();
  HDC dc = GetDC(nullptr);
  // The design's face where it exists, else a sans-serif face of the same
  // pixel height.
  std::wstring family = Widen(w.fontName);
  for (const wchar_t* f : {L"MS Sans Serif", L"Microsoft Sans Serif", L"Tahoma", L"Arial"}) {
    if (FontExists(dc, f)) {
      family = f;
      break;
    }
  }
  // The pixel height is for 96 pixels per inch; then every place and size
  // follows the text height the font measures.
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  const int pixels = MulDiv(w.fontPixelHeight, dpi > 0 ? dpi : 96, 96);
  font_ = MakeFont(family, pixels, FW_NORMAL, false);
  bold_ = MakeFont(family, pixels, FW_BOLD, false);
  underlined_ = MakeFont(family, pixels, FW_NORMAL, true);
  HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  if (tm.tmHeight > 0 && tm.tmHeight != w.designTextHeight)
    scale_ = static_cast<double>(tm.tmHeight) / w.designTextHeight;
}

void TfrmMain::CreateControls() {
  const auto table = MainWindowControls();
  controls_.assign(table.size(), nullptr);
  index_.assign(kControlCount, -1);
  for (int c = 0; c < kControlCount; ++c)
    for (size_t i = 0; i < table.size(); ++i)
      if (std::string_view(table[i].name) == ControlName(static_cast<stanzo::Control>(c)))
        index_[static_cast<size_t>(c)] = static_cast<int>(i);
  HDC dc = GetDC(hwnd_);
  auto make = [this](const wchar_t* cls, const std::wstring& text, DWORD style, DWORD exStyle,
                     int x, int y, int cx, int cy, int id, HFONT font) {
    HWND h = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, cx,
                             cy, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             instance_, nullptr);
    if (!h) throw std::runtime_error("Cannot create a control");
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
  };
  for (size_t i = 0; i < table.size(); ++i) {
    const ControlSpec& c = table[i];
    const std::wstring text = Widen(c.text);
    const int id = kFirstId + static_cast<int>(i);
    const int x = Scaled(c.place.left), y = Scaled(c.place.top);
    const int cx = Scaled(c.place.width), cy = Scaled(c.place.height);
    // Arrow keys do not wander between controls: each focusable control is
    // a group of its own, apart from the radio buttons.
    const DWORD focusable = WS_TABSTOP | WS_GROUP;
    HWND h = nullptr;
    switch (c.kind) {
      case ControlKind::Label: {
        HFONT f = c.style == LabelStyle::Bold        ? bold_
                  : c.style == LabelStyle::Underline ? underlined_
                                                     : font_;
        // A label sizes itself to its text.
        h = make(L"STATIC", text, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, x, y, TextWidth(dc, f, text),
                 cy, id, f);
        break;
      }
      case ControlKind::Edit:
      case ControlKind::ReadOnlyEdit:
        h = make(
            L"EDIT", text,
            focusable | ES_AUTOHSCROLL | (c.kind == ControlKind::ReadOnlyEdit ? ES_READONLY : 0),
            WS_EX_CLIENTEDGE, x, y, cx, cy, id, font_);
        SendMessageW(h, EM_SETLIMITTEXT, 0, 0);  // no length limit
        break;
      case ControlKind::Memo:
        h = make(L"EDIT", text,
                 focusable | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                     WS_VSCROLL | WS_HSCROLL,
                 WS_EX_CLIENTEDGE, x, y, cx, cy, id, font_);
        // The default limit is 32767 characters: a log or a script is longer.
        SendMessageW(h, EM_SETLIMITTEXT, 0, 0);
        SetWindowSubclass(h, &TfrmMain::KeyProc, 1, reinterpret_cast<DWORD_PTR>(this));
        break;
      case ControlKind::Button:
        h = make(L"BUTTON", text, focusable | BS_PUSHBUTTON, 0, x, y, cx, cy, id, font_);
        break;
      case ControlKind::PictureButton:
        // Drawn by DrawButton: the picture with its transparency, and its
        // etched silhouette when disabled.
        h = make(L"BUTTON", text, focusable | BS_OWNERDRAW, 0, x, y, cx, cy, id, font_);
        break;
      case ControlKind::SimpleCombo:
        h = make(L"COMBOBOX", L"",
                 focusable | CBS_SIMPLE | CBS_AUTOHSCROLL | CBS_NOINTEGRALHEIGHT | WS_VSCROLL, 0, x,
                 y, cx, cy, id, font_);
        SendMessageW(h, CB_SETITEMHEIGHT, 0, Scaled(c.rowHeight));
        SendMessageW(h, CB_LIMITTEXT, 0, 0);
        SetWindowTextW(h, text.c_str());
        break;
      case ControlKind::DropDownCombo: {
        // The height given to a drop-down combo box includes its open list.
        const int rows = Scaled(c.dropDownRows * c.rowHeight + 2);
        h = make(L"COMBOBOX", L"", focusable | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 0, x, y,
                 cx, cy + rows, id, font_);
        // The closed box is its edit line plus a 3-pixel edge above and below.
        SendMessageW(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), cy - 6);
        SendMessageW(h, CB_SETITEMHEIGHT, 0, Scaled(c.rowHeight));
        SendMessageW(h, CB_LIMITTEXT, 0, 0);
        SetWindowTextW(h, text.c_str());
        break;
      }
      case ControlKind::ListBox:
        h = make(L"LISTBOX", L"", focusable | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
                 WS_EX_CLIENTEDGE, x, y, cx, cy, id, font_);
        SendMessageW(h, LB_SETITEMHEIGHT, 0, Scaled(c.rowHeight));
        for (const char* item : c.items)
          SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
        break;
      case ControlKind::RadioGroup:
        h = make(L"BUTTON", text, BS_GROUPBOX, 0, x, y, cx, cy, id, font_);
        break;
    }
    controls_[i] = h;
    if (c.kind == ControlKind::RadioGroup) {
      std::vector<std::string> items(c.items.begin(), c.items.end());
      SetItems(stanzo::Control::grpCams, items);
    }
  }
  ReleaseDC(hwnd_, dc);
  // The slide button's keypad key.
  // Song files may be dropped on the lyric editor (song_input.cpp).
  DragAcceptFiles(Control(stanzo::Control::memLyric), TRUE);
  SetWindowSubclass(Control(stanzo::Control::butSlide), &TfrmMain::KeyProc, 1,
                    reinterpret_cast<DWORD_PTR>(this));
}

void TfrmMain::SetTabOrder() {
  // The Tab walk follows the order of the child windows: lay them out in
  // tab order, each radio group followed by its buttons, labels last.
  const auto table = MainWindowControls();
  HWND after = HWND_TOP;
  auto place = [&](HWND h) {
    SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = h;
  };
  for (const ControlSpec* c : TabOrder()) {
    const size_t i = static_cast<size_t>(c - table.data());
    place(controls_[i]);
    if (c->kind == ControlKind::RadioGroup) {
      for (const Camera& cam : cameras_) place(cam.button);
      for (HWND spare : spareCameras_) place(spare);
    }
  }
}

void TfrmMain::CreateHints() {
  const WindowSpec& w = MainWindowSpec();
  tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
  if (!tips_) return;  // no tool tips is no reason to refuse the window
  SendMessageW(tips_, TTM_SETDELAYTIME, TTDT_INITIAL, w.hintPauseMs);
  SendMessageW(tips_, TTM_SETDELAYTIME, TTDT_AUTOPOP, w.hintHidePauseMs);
  const auto table = MainWindowControls();
  for (size_t i = 0; i < table.size(); ++i) {
    if (!*table[i].hint) continue;
    std::wstring hint = Widen(table[i].hint);
    auto add = [&](HWND h) {
      TTTOOLINFOW ti = {};
      ti.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every common-controls version
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = hwnd_;
      ti.uId = reinterpret_cast<UINT_PTR>(h);
      ti.lpszText = hint.data();
      SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    };
    add(controls_[i]);
    // A combo box's edit line and list are windows of their own, and the
    // mouse rests on them rather than on the box.
    COMBOBOXINFO cbi = {};
    cbi.cbSize = sizeof cbi;
    if ((table[i].kind == ControlKind::SimpleCombo ||
         table[i].kind == ControlKind::DropDownCombo) &&
        GetComboBoxInfo(controls_[i], &cbi)) {
      if (cbi.hwndItem) add(cbi.hwndItem);
      if (table[i].kind == ControlKind::SimpleCombo && cbi.hwndList) add(cbi.hwndList);
    }
  }
}

void TfrmMain::DrawButton(const DRAWITEMSTRUCT& item) {
  const auto table = MainWindowControls();
  const size_t i = static_cast<size_t>(item.CtlID) - kFirstId;
  if (i >= table.size()) return;
  RECT r = item.rcItem;
  const bool pushed = item.itemState & ODS_SELECTED;
  const bool enabled = !(item.itemState & ODS_DISABLED);
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const SIZE size = PictureSize(table[i].picture);
  const int shift = pushed ? 1 : 0;
  DrawPicture(item.hDC, (r.left + r.right - size.cx) / 2 + shift,
              (r.top + r.bottom - size.cy) / 2 + shift, table[i].picture, enabled);
  if (item.itemState & ODS_FOCUS) {
    RECT f = r;
    InflateRect(&f, -3, -3);
    DrawFocusRect(item.hDC, &f);
  }
}

}  // namespace stanzo::win
