// The window's own scroll bars: when the client area is smaller than the
// controls' area, the controls scroll under it.
#include <algorithm>

#include "console/control_table.h"
#include "win/window.h"

namespace stanzo::win {
namespace {

constexpr int kScrollLine = 8;  // pixels per scroll-bar arrow click

}  // namespace

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

}  // namespace stanzo::win
