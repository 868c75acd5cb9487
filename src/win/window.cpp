#include "win/window.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

#include "console/control_table.h"
#include "win/pictures.h"
#include "win/utf16.h"

namespace stanzo::win {
namespace {

constexpr UINT_PTR kTimer1 = 1;

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

Key KeyOf(WPARAM vk) {
  switch (vk) {
    case 'A':
      return Key::kA;
    case 'F':
      return Key::kF;
    case 'O':
      return Key::kO;
    case VK_F3:
      return Key::kF3;
    case VK_NUMPAD0:
      return Key::kNumpad0;
    case VK_NEXT:
      return Key::kPageDown;
    case VK_PRIOR:
      return Key::kPageUp;
    case VK_OEM_PERIOD:
    case VK_DECIMAL:
      return Key::kPeriod;
    case 'B':
      return Key::kB;
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
      // Controls' notifications, and the lyric editor menu's insert.
      if (lp || LOWORD(wp) == kInsertSongCommand) OnCommand(LOWORD(wp), HIWORD(wp));
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
    case kRemoteRequestsMessage:
      if (events_) events_->RemoteRequests();
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
    case WM_ACTIVATEAPP:
      // The operator returned to the program from another one.
      if (wp && events_) events_->Activated();
      break;
    case WM_SHOWWINDOW:
      if (wp && events_) events_->Shown();
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
      // Ctrl+A, Ctrl+F and Ctrl+O arrive as control characters: the
      // console's keys, not text (and no beep).
      if (lyric && (wp == 1 || wp == 6 || wp == 15) && ShiftNow() == kCtrl) return 0;
      break;
    case WM_CONTEXTMENU:
      if (!lyric) break;
      self->ShowLyricMenu(h, lp);
      return 0;
    case WM_DROPFILES:
      if (!lyric) break;
      self->DropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(h, &TfrmMain::KeyProc, 1);
      break;
  }
  return DefSubclassProc(h, msg, wp, lp);
}

void TfrmMain::OnCommand(int id, int code) {
  if (id == static_cast<int>(kInsertSongCommand)) {
    if (events_) events_->InsertSongChosen(stanzo::Control::memLyric);
    return;
  }
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

bool TfrmMain::PreTranslate(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !hwnd_ || !events_) return false;
  if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return false;
  // The control holding the focus: the key's window or the control it is
  // part of (a combo box's edit line).
  std::optional<stanzo::Control> focus;
  for (HWND h = msg.hwnd; h && h != hwnd_ && !focus; h = GetParent(h)) {
    for (size_t i = 0; i < index_.size() && !focus; ++i)
      if (index_[i] >= 0 && controls_[static_cast<size_t>(index_[i])] == h)
        focus = static_cast<stanzo::Control>(i);
  }
  return events_->FormKeyDown(focus, KeyOf(msg.wParam), ShiftNow());
}

void TfrmMain::ProcessEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // For the message loop that runs the window: it ends there.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (PreTranslate(msg)) continue;
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
