// The camera group: a group box with one radio button per camera, laid
// out and chosen by the core's rules (console/window_rules.h). Buttons are
// kept, not destroyed, when the cameras are reloaded: the reload can run
// inside a camera button's own click.
#include <stdexcept>

#include "console/window_rules.h"
#include "win/controls.h"
#include "win/window.h"

namespace stanzo::win {
void TfrmMain::SetCameraItems(const std::vector<std::string>& items) {
  HWND group = Control(stanzo::Control::grpCams);
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
        b = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | BS_RADIOBUTTON | (k == 0 ? WS_GROUP : 0),
                            0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            instance_, nullptr);
        if (!b) throw std::runtime_error("Cannot create a control");
        SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        // After the group and the cameras before it in the Tab walk.
        SetWindowPos(b, k == 0 ? group : cameras_.back().button, 0, 0, 0, 0,
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
  SelectCamera(-1);  // new items start unselected
}

void TfrmMain::SelectCamera(int index) {
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
}

void TfrmMain::OnCameraClicked(int index) {
  const int count = static_cast<int>(cameras_.size());
  if (!CameraChoiceCounts(camera_, index, count)) {
    // The selected camera chosen again raises nothing and stays checked.
    if (index == camera_ && index >= 0 && index < count)
      SendMessageW(cameras_[static_cast<size_t>(index)].button, BM_SETCHECK, BST_CHECKED, 0);
    return;
  }
  SelectCamera(index);
  if (events_) events_->CameraClicked(index);
}

void TfrmMain::LayOutCameras() {
  // Rows in the group wherever it is now (the window may be scrolled).
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
  const int n = static_cast<int>(cameras_.size());
  const std::vector<Rect> rows =
      CameraRows(r.right - r.left, r.bottom - r.top, tm.tmHeight, n, scale_);
  for (int k = 0; k < n; ++k) {
    const Rect& row = rows[static_cast<size_t>(k)];
    SetWindowPos(cameras_[static_cast<size_t>(k)].button, nullptr, r.left + row.left,
                 r.top + row.top, row.width, row.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace stanzo::win
