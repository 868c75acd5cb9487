#include "win/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "console/control_table.h"
#include "win/pictures.h"
#include "win/utf16.h"

namespace stanzo::win {
namespace {

constexpr int kFirstId = 100;        // control ids: kFirstId + table index
constexpr int kFirstCameraId = 200;  // radio buttons: kFirstCameraId + item

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

// Width of `text` drawn on one line in `font`, as a label sizes itself: a
// synthesized bold face reaches its overhang past the measured extent.
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

void Register(HINSTANCE instance, WNDPROC proc) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(instance, TfrmMain::kClassName, &wc)) return;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = TfrmMain::kClassName;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("Cannot register the window class");
}

}  // namespace

TfrmMain::TfrmMain(HINSTANCE instance, bool quitOnDestroy)
    : instance_(instance), quitOnDestroy_(quitOnDestroy) {
  Register(instance_, &TfrmMain::WndProc);
  CreateFonts();
  const WindowSpec& w = MainWindowSpec();
  // The design's outer size includes the frame and the title bar. (No
  // WS_CLIPCHILDREN: a group box paints no background of its own.)
  hwnd_ = CreateWindowExW(0, kClassName, Widen(w.initialCaption).c_str(), WS_OVERLAPPEDWINDOW,
                          w.outer.left, w.outer.top, Scaled(w.outer.width), Scaled(w.outer.height),
                          nullptr, nullptr, instance_, this);
  if (!hwnd_) throw std::runtime_error("Cannot create the main window");
  CreateControls();
  SetTabOrder();
  CreateHints();
  SetWindowTextW(hwnd_, Widen(w.caption).c_str());
}

TfrmMain::~TfrmMain() {
  if (hwnd_) DestroyWindow(hwnd_);
  for (HFONT f : {font_, bold_, underlined_})
    if (f) DeleteObject(f);
  for (HBITMAP b : bitmaps_) DeleteObject(b);
}

HWND TfrmMain::Control(std::string_view name) const {
  const auto controls = MainWindowControls();
  for (size_t i = 0; i < controls.size(); ++i)
    if (name == controls[i].name) return controls_[i];
  return nullptr;
}

LRESULT CALLBACK TfrmMain::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<TfrmMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      // Labels, the read-only Edit1, the group and its radio buttons: the
      // window's button-face background.
      HDC dc = reinterpret_cast<HDC>(wp);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DESTROY:
      if (self) {
        self->hwnd_ = nullptr;
        if (self->quitOnDestroy_) PostQuitMessage(0);
      }
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
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
  if (!FontExists(dc, family.c_str())) family = Widen(w.fontName);
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
        break;
      case ControlKind::Memo:
        h = make(L"EDIT", text,
                 focusable | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_AUTOHSCROLL |
                     WS_VSCROLL | WS_HSCROLL,
                 WS_EX_CLIENTEDGE, x, y, cx, cy, id, font_);
        break;
      case ControlKind::Button:
        h = make(L"BUTTON", text, focusable | BS_PUSHBUTTON, 0, x, y, cx, cy, id, font_);
        break;
      case ControlKind::PictureButton: {
        h = make(L"BUTTON", text, focusable | BS_PUSHBUTTON | BS_BITMAP, 0, x, y, cx, cy, id,
                 font_);
        HBITMAP picture = PictureBitmap(c.picture, GetSysColor(COLOR_BTNFACE));
        if (picture) {
          bitmaps_.push_back(picture);
          SendMessageW(h, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
        }
        break;
      }
      case ControlKind::SimpleCombo:
        h = make(L"COMBOBOX", L"",
                 focusable | CBS_SIMPLE | CBS_AUTOHSCROLL | CBS_NOINTEGRALHEIGHT | WS_VSCROLL, 0, x,
                 y, cx, cy, id, font_);
        SendMessageW(h, CB_SETITEMHEIGHT, 0, Scaled(c.rowHeight));
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
      case ControlKind::RadioGroup: {
        h = make(L"BUTTON", text, BS_GROUPBOX, 0, x, y, cx, cy, id, font_);
        // One column filling the box below its caption. No button is
        // selected, so none is a tab stop yet.
        TEXTMETRICW tm = {};
        HGDIOBJ old = SelectObject(dc, font_);
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        const int top = tm.tmHeight, left = Scaled(8), usable = cy - top - Scaled(4);
        const int n = static_cast<int>(c.items.size());
        for (int k = 0; k < n; ++k) {
          const int ky = top + usable * k / n;
          const int kh = usable * (k + 1) / n - usable * k / n;
          cameras_.push_back(make(L"BUTTON", Widen(c.items[k]),
                                  BS_RADIOBUTTON | (k == 0 ? WS_GROUP : 0), 0, x + left, y + ky,
                                  cx - left - Scaled(4), kh, kFirstCameraId + k, font_));
        }
        break;
      }
    }
    controls_[i] = h;
  }
  ReleaseDC(hwnd_, dc);
}

void TfrmMain::SetTabOrder() {
  // The Tab walk follows the order of the child windows: lay them out in
  // tab order, each radio group followed by its buttons, labels last.
  const auto table = MainWindowControls();
  std::vector<size_t> order;
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].tabOrder >= 0) order.push_back(i);
  std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return table[a].tabOrder < table[b].tabOrder; });
  HWND after = HWND_TOP;
  auto place = [&](HWND h) {
    SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = h;
  };
  for (size_t i : order) {
    place(controls_[i]);
    if (table[i].kind == ControlKind::RadioGroup)
      for (HWND b : cameras_) place(b);
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

}  // namespace stanzo::win
