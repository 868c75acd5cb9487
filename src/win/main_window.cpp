#include "win/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "console/control_table.h"
#include "win/editor_text.h"
#include "win/pictures.h"
#include "win/utf16.h"

namespace stanzo::win {
namespace {

constexpr int kFirstId = 100;        // control ids: kFirstId + table index
constexpr int kFirstCameraId = 200;  // radio buttons: kFirstCameraId + item
constexpr UINT_PTR kTimer1 = 1;
constexpr int kScrollLine = 8;  // pixels per scroll-bar arrow click

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

void Register(HINSTANCE instance, WNDPROC proc, HICON icon) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(instance, TfrmMain::kClassName, &wc)) return;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = TfrmMain::kClassName;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("Cannot register the window class");
}

std::wstring WindowText(HWND h) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), static_cast<int>(text.size()))));
  return text;
}

// "&" shows as itself on a button, not as a mnemonic.
std::wstring ButtonCaption(const std::string& text) {
  std::wstring out;
  for (wchar_t c : Widen(text)) {
    if (c == L'&') out += L'&';
    out += c;
  }
  return out;
}

Key KeyOf(WPARAM vk) {
  switch (vk) {
    case 'A':
      return Key::kA;
    case 'F':
      return Key::kF;
    case VK_F3:
      return Key::kF3;
    case VK_NUMPAD0:
      return Key::kNumpad0;
    default:
      return Key::kOther;
  }
}

unsigned ShiftNow() {
  auto down = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0; };
  unsigned shift = kNoShift;
  if (down(VK_SHIFT)) shift |= kShift;
  if (down(VK_CONTROL)) shift |= kCtrl;
  if (down(VK_MENU)) shift |= kAlt;
  if (down(VK_LWIN) || down(VK_RWIN)) shift |= kOtherModifier;
  return shift;
}

// The lines of an editor's text; an empty last line is left out.
std::vector<std::string_view> LinesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, nl - pos));
    pos = nl + 1;
  }
  return lines;
}

[[noreturn]] void Unsupported(const char* what, stanzo::Control c) {
  throw std::logic_error(std::string(what) + " is not supported by " + ControlName(c));
}

}  // namespace

TfrmMain::TfrmMain(HINSTANCE instance, bool quitOnDestroy)
    : instance_(instance), quitOnDestroy_(quitOnDestroy) {
  icon_ = ConsoleIcon();
  Register(instance_, &TfrmMain::WndProc, icon_);
  CreateFonts();
  const WindowSpec& w = MainWindowSpec();
  // The design's outer size includes the frame and the title bar. (No
  // WS_CLIPCHILDREN: a group box paints no background of its own.)
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(w.initialCaption).c_str(),
                          WS_OVERLAPPEDWINDOW, w.outer.left, w.outer.top, Scaled(w.outer.width),
                          Scaled(w.outer.height), nullptr, nullptr, instance_, this);
  if (!hwnd_) throw std::runtime_error("Cannot create the main window");
  if (icon_) {
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  ownDialogs_.SetOwner(hwnd_);
  CreateControls();
  SetTabOrder();
  CreateHints();
  SetWindowTextW(hwnd_, Widen(w.caption).c_str());
  UpdateScrollBars();
  SetTimer(hwnd_, kTimer1, kTimerMs, nullptr);
}

TfrmMain::~TfrmMain() {
  events_ = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);
  for (HFONT f : {font_, bold_, underlined_})
    if (f) DeleteObject(f);
  if (icon_) DestroyIcon(icon_);
}

int TfrmMain::ControlId(std::string_view name) {
  const auto controls = MainWindowControls();
  for (size_t i = 0; i < controls.size(); ++i)
    if (name == controls[i].name) return kFirstId + static_cast<int>(i);
  return -1;
}

HWND TfrmMain::Control(std::string_view name) const {
  const auto controls = MainWindowControls();
  for (size_t i = 0; i < controls.size(); ++i)
    if (name == controls[i].name) return controls_[i];
  return nullptr;
}

HWND TfrmMain::Control(stanzo::Control c) const {
  return controls_[static_cast<size_t>(IndexOf(c))];
}

std::vector<HWND> TfrmMain::Cameras() const {
  std::vector<HWND> out;
  for (const Camera& cam : cameras_) out.push_back(cam.button);
  return out;
}

int TfrmMain::IndexOf(stanzo::Control c) const {
  const size_t i = static_cast<size_t>(c);
  if (i >= index_.size() || index_[i] < 0) throw std::logic_error("control not in the window");
  return index_[i];
}

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

// ------------------------------------------------------------ construction

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
  SetWindowSubclass(Control(stanzo::Control::butSlide), &TfrmMain::KeyProc, 1,
                    reinterpret_cast<DWORD_PTR>(this));
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
    if (table[i].kind == ControlKind::RadioGroup) {
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

// ---------------------------------------------------------------- messages

LRESULT CALLBACK TfrmMain::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<TfrmMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && self->hwnd_ == hwnd) return self->Handle(msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT TfrmMain::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
      if (lp) OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_CTLCOLORSTATIC: {
      // Labels, the read-only Edit1, the group and its radio buttons: the
      // window's button-face background.
      HDC dc = reinterpret_cast<HDC>(wp);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_TIMER:
      if (wp == kTimer1 && events_) events_->Tick();
      return 0;
    case WM_NEXTDLGCTL: {
      // Tab and Shift+Tab (sent by IsDialogMessage): a one-line edit field
      // entered this way selects its whole text.
      HWND target =
          LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(hwnd_, ::GetFocus(), wp != 0);
      if (target) {
        ::SetFocus(target);
        wchar_t cls[16] = {};
        GetClassNameW(target, cls, 16);
        if (_wcsicmp(cls, L"Edit") == 0 && !(GetWindowLongPtrW(target, GWL_STYLE) & ES_MULTILINE))
          SendMessageW(target, EM_SETSEL, 0, -1);
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND f = ::GetFocus();
        if (f && IsChild(hwnd_, f)) lastFocus_ = f;
      }
      break;
    case WM_SETFOCUS: {
      // First activation: the first control in tab order that takes it.
      HWND f = lastFocus_ && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)
                   ? lastFocus_
                   : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
      if (f) ::SetFocus(f);
      return 0;
    }
    case WM_SIZE:
      UpdateScrollBars();
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (!lp) Scroll(msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wp));
      return 0;
    case WM_CLOSE:
      if (events_ && !events_->Closing()) return 0;
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kTimer1);
      hwnd_ = nullptr;
      if (quitOnDestroy_) PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK TfrmMain::KeyProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                   DWORD_PTR data) {
  auto* self = reinterpret_cast<TfrmMain*>(data);
  const bool lyric = h == self->Control(stanzo::Control::memLyric);
  switch (msg) {
    case WM_GETDLGCODE: {
      // Tab leaves an editor; Return stays in it.
      LRESULT code = DefSubclassProc(h, msg, wp, lp);
      const MSG* m = reinterpret_cast<const MSG*>(lp);
      if (m && m->message == WM_KEYDOWN && m->wParam == VK_TAB)
        code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
      return code;
    }
    case WM_KEYDOWN:
      if (h == self->Control(stanzo::Control::butSlide) && self->events_)
        self->events_->KeyDown(stanzo::Control::butSlide, KeyOf(wp), ShiftNow());
      break;  // the button still acts on the key
    case WM_KEYUP:
      if (lyric && self->events_ &&
          self->events_->KeyUp(stanzo::Control::memLyric, KeyOf(wp), ShiftNow()))
        return 0;
      break;
    case WM_CHAR:
      // Ctrl+A and Ctrl+F arrive as control characters: the console's keys,
      // not text (and no beep).
      if (lyric && (wp == 1 || wp == 6) && ShiftNow() == kCtrl) return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(h, &TfrmMain::KeyProc, 1);
      break;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

void TfrmMain::OnCommand(int id, int code) {
  if (id >= kFirstCameraId) {
    if (code == BN_CLICKED) OnCameraClicked(id - kFirstCameraId);
    return;
  }
  const auto table = MainWindowControls();
  const size_t i = static_cast<size_t>(id - kFirstId);
  if (id < kFirstId || i >= table.size() || !events_) return;
  int c = 0;
  while (c < kControlCount && index_[static_cast<size_t>(c)] != static_cast<int>(i)) ++c;
  if (c == kControlCount) return;
  const auto control = static_cast<stanzo::Control>(c);
  switch (table[i].kind) {
    case ControlKind::Button:
    case ControlKind::PictureButton:
      if (code == BN_CLICKED) events_->Clicked(control);
      break;
    case ControlKind::Edit:
    case ControlKind::Memo:
      if (code == EN_CHANGE && settingText_ == 0) events_->Changed(control);
      break;
    default:
      break;
  }
}

void TfrmMain::OnCameraClicked(int index) {
  if (index < 0 || index >= static_cast<int>(cameras_.size())) return;
  if (index == camera_) {
    // Choosing the selected camera again raises nothing.
    SendMessageW(cameras_[static_cast<size_t>(index)].button, BM_SETCHECK, BST_CHECKED, 0);
    return;
  }
  SetItemIndex(stanzo::Control::grpCams, index);
  if (events_) events_->CameraClicked(index);
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

// ------------------------------------------------------------ scroll bars

void TfrmMain::UpdateScrollBars() {
  if (!hwnd_ || updatingScrollBars_) return;
  updatingScrollBars_ = true;
  const WindowSpec& w = MainWindowSpec();
  const int width = Scaled(w.designWidth), height = Scaled(w.designHeight);
  // Twice: one bar appearing narrows the room for the other.
  for (int pass = 0; pass < 2; ++pass) {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    POINT target = {std::clamp<int>(scroll_.x, 0, std::max<int>(0, width - rc.right)),
                    std::clamp<int>(scroll_.y, 0, std::max<int>(0, height - rc.bottom))};
    if (target.x != scroll_.x || target.y != scroll_.y) {
      ShiftContent(scroll_.x - target.x, scroll_.y - target.y);
      scroll_ = target;
    }
    for (int bar : {SB_HORZ, SB_VERT}) {
      SCROLLINFO si = {};
      si.cbSize = sizeof si;
      si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
      si.nMax = (bar == SB_HORZ ? width : height) - 1;
      si.nPage = static_cast<UINT>(bar == SB_HORZ ? rc.right : rc.bottom);
      si.nPos = bar == SB_HORZ ? scroll_.x : scroll_.y;
      SetScrollInfo(hwnd_, bar, &si, TRUE);
    }
  }
  updatingScrollBars_ = false;
}

void TfrmMain::Scroll(int bar, int request) {
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(hwnd_, bar, &si);
  int pos = si.nPos;
  switch (request) {
    case SB_LINEUP:
      pos -= kScrollLine;
      break;
    case SB_LINEDOWN:
      pos += kScrollLine;
      break;
    case SB_PAGEUP:
      pos -= static_cast<int>(si.nPage);
      break;
    case SB_PAGEDOWN:
      pos += static_cast<int>(si.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = si.nTrackPos;
      break;
    case SB_TOP:
      pos = 0;
      break;
    case SB_BOTTOM:
      pos = si.nMax;
      break;
    default:
      return;
  }
  pos = std::clamp(pos, 0, std::max(0, si.nMax + 1 - static_cast<int>(si.nPage)));
  LONG& current = bar == SB_HORZ ? scroll_.x : scroll_.y;
  if (pos == current) return;
  const int delta = current - pos;
  current = pos;
  ShiftContent(bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0);
  SetScrollPos(hwnd_, bar, pos, TRUE);
}

void TfrmMain::ShiftContent(int dx, int dy) {
  // Every control moves by itself (ScrollWindowEx moves nothing while the
  // window is hidden).
  int n = 0;
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++n;
  HDWP batch = BeginDeferWindowPos(n);
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c && batch; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    batch = DeferWindowPos(batch, c, nullptr, r.left + dx, r.top + dy, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (batch) EndDeferWindowPos(batch);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// ------------------------------------------------------------- the cameras

void TfrmMain::LayOutCameras() {
  // One column filling the group below its caption, wherever the group
  // is now (the window may be scrolled).
  HWND group = Control(stanzo::Control::grpCams);
  RECT r;
  GetWindowRect(group, &r);
  MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
  HDC dc = GetDC(hwnd_);
  TEXTMETRICW tm = {};
  HGDIOBJ old = SelectObject(dc, font_);
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  const int top = tm.tmHeight, left = Scaled(8);
  const int usable = (r.bottom - r.top) - top - Scaled(4);
  const int n = static_cast<int>(cameras_.size());
  for (int k = 0; k < n; ++k) {
    const int ky = top + usable * k / n;
    const int kh = usable * (k + 1) / n - usable * k / n;
    SetWindowPos(cameras_[static_cast<size_t>(k)].button, nullptr, r.left + left, r.top + ky,
                 (r.right - r.left) - left - Scaled(4), kh, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// ------------------------------------------------------------- ConsoleView

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
      return static_cast<int>(LinesOf(Text(c)).size());
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
      const auto lines = LinesOf(all);
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
    case ControlKind::RadioGroup: {
      // Buttons are kept, not destroyed: the reload can run inside a
      // camera button's own click.
      while (cameras_.size() > items.size()) {
        ShowWindow(cameras_.back().button, SW_HIDE);
        spareCameras_.insert(spareCameras_.begin(), cameras_.back().button);
        cameras_.pop_back();
      }
      for (size_t k = 0; k < items.size(); ++k) {
        if (k == cameras_.size()) {
          HWND b = nullptr;
          if (!spareCameras_.empty()) {
            b = spareCameras_.front();
            spareCameras_.erase(spareCameras_.begin());
          } else {
            const int id = kFirstCameraId + static_cast<int>(k);
            b = CreateWindowExW(
                0, L"BUTTON", L"", WS_CHILD | BS_RADIOBUTTON | (k == 0 ? WS_GROUP : 0), 0, 0, 0, 0,
                hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
            if (!b) throw std::runtime_error("Cannot create a control");
            SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
            // After the group and the cameras before it in the Tab walk.
            SetWindowPos(b, k == 0 ? h : cameras_.back().button, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
          }
          EnableWindow(b, camerasEnabled_);
          ShowWindow(b, SW_SHOWNA);
          cameras_.push_back({b, std::string()});
        }
        cameras_[k].title = items[k];
        SetWindowTextW(cameras_[k].button, ButtonCaption(items[k]).c_str());
      }
      LayOutCameras();
      SetItemIndex(c, -1);  // new items start unselected
      break;
    }
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
      camera_ = index;
      for (size_t k = 0; k < cameras_.size(); ++k) {
        const bool selected = static_cast<int>(k) == index;
        HWND b = cameras_[k].button;
        SendMessageW(b, BM_SETCHECK, selected ? BST_CHECKED : BST_UNCHECKED, 0);
        // Tab enters the group only at its selected camera.
        LONG_PTR style = GetWindowLongPtrW(b, GWL_STYLE);
        style = selected ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(b, GWL_STYLE, style);
      }
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
  const size_t s = Utf8Offset(wide, start, crlf), f = Utf8Offset(wide, end, crlf);
  return {s, f - s};
}

void TfrmMain::SetSelection(stanzo::Control c, size_t start, size_t length) {
  HWND e = EditOf(c);
  const bool crlf = (GetWindowLongPtrW(e, GWL_STYLE) & ES_MULTILINE) != 0;
  const std::wstring wide = WindowText(e);
  const size_t s = WideIndex(wide, start, crlf), f = WideIndex(wide, start + length, crlf);
  SendMessageW(e, EM_SETSEL, s, f);
  SendMessageW(e, EM_SCROLLCARET, 0, 0);
}

void TfrmMain::SetFocus(stanzo::Control c) {
  HWND h = Control(c);
  if (c == stanzo::Control::grpCams && !cameras_.empty())
    h = cameras_[static_cast<size_t>(std::max(camera_, 0))].button;
  ::SetFocus(h);
}

void TfrmMain::ProcessEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // For the message loop that runs the window: it ends there.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TfrmMain::Pause(int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(std::max(ms, 0));
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
    ProcessEvents();
  }
}

}  // namespace stanzo::win
