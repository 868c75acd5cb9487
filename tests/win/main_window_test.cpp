#include "win/window.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "console/control_table.h"
#include "win/program_driver.h"
#include "win/utf16.h"

namespace stanzo::win {
namespace {

std::wstring TextOf(HWND h) {
  std::wstring text(GetWindowTextLengthW(h) + 1, L'\0');
  text.resize(GetWindowTextW(h, text.data(), static_cast<int>(text.size())));
  return text;
}

std::wstring ClassOf(HWND h) {
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  return name;
}

// A control's place in its parent's client area.
RECT PlaceOf(HWND h) {
  RECT r;
  GetWindowRect(h, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

const wchar_t* ClassFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return L"Static";
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit:
    case ControlKind::Memo:
      return L"Edit";
    case ControlKind::SimpleCombo:
    case ControlKind::DropDownCombo:
      return L"ComboBox";
    case ControlKind::ListBox:
      return L"ListBox";
    default:
      return L"Button";
  }
}

// The colours a control shows, as 0xRRGGBB, drawn as the window would.
std::set<COLORREF> ColoursOf(HWND h) {
  RECT r;
  GetClientRect(h, &r);
  HDC screen = GetDC(h);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, r.right, r.bottom);
  HGDIOBJ old = SelectObject(dc, bmp);
  SendMessageW(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::set<COLORREF> colours;
  for (int y = 0; y < r.bottom; ++y)
    for (int x = 0; x < r.right; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      colours.insert((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(h, screen);
  return colours;
}

class WinWindow : public ::testing::Test {
 protected:
  TfrmMain window{GetModuleHandleW(nullptr), false};
  int S(int v) const { return static_cast<int>(v * window.LayoutScale() + 0.5); }
};

TEST_F(WinWindow, IsBuiltFromTheControlTable) {
  EXPECT_EQ(TextOf(window.Handle()), L"Stanzo  (Cuewright)");
  for (const ControlSpec& c : MainWindowControls()) {
    SCOPED_TRACE(c.name);
    HWND h = window.Control(c.name);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(_wcsicmp(ClassOf(h).c_str(), ClassFor(c.kind)), 0) << Narrow(ClassOf(h));
    const RECT r = PlaceOf(h);
    EXPECT_EQ(r.left, S(c.place.left));
    EXPECT_EQ(r.top, S(c.place.top));
    EXPECT_EQ(r.bottom - r.top, S(c.place.height));
    LOGFONTW lf = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight >= FW_BOLD, c.style == LabelStyle::Bold);
    EXPECT_EQ(lf.lfUnderline != 0, c.style == LabelStyle::Underline);
    // A label takes the width of its text, which the design measured in
    // its own font.
    if (c.kind != ControlKind::Label || std::wstring(lf.lfFaceName) == L"MS Sans Serif") {
      EXPECT_EQ(r.right - r.left, S(c.place.width));
    }
    if (c.kind == ControlKind::ListBox) {
      ASSERT_EQ(SendMessageW(h, LB_GETCOUNT, 0, 0), static_cast<LRESULT>(c.items.size()));
      wchar_t item[64] = {};
      SendMessageW(h, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(item));
      EXPECT_EQ(Narrow(item), c.items[0]);
    } else {
      EXPECT_EQ(Narrow(TextOf(h)), c.text);
    }
    // A picture button shows its picture: black outlines on the face.
    if (c.kind == ControlKind::PictureButton) {
      EXPECT_TRUE(ColoursOf(h).count(0x000000));
    }
  }
  // The camera group: its items as radio buttons, none selected.
  const ControlSpec* cams = FindControl("grpCams");
  ASSERT_EQ(window.Cameras().size(), cams->items.size());
  for (size_t i = 0; i < cams->items.size(); ++i) {
    EXPECT_EQ(Narrow(TextOf(window.Cameras()[i])), cams->items[i]);
    EXPECT_EQ(SendMessageW(window.Cameras()[i], BM_GETCHECK, 0, 0), BST_UNCHECKED);
  }
}

TEST_F(WinWindow, TabWalksTheControlsInTabOrder) {
  ShowWindow(window.Handle(), SW_SHOWNOACTIVATE);
  std::vector<std::string> expected(MainWindowControls().size());
  for (const ControlSpec& c : MainWindowControls())
    if (c.tabOrder >= 0) expected[c.tabOrder] = c.name;
  // With no camera selected the group is no stop of its own.
  std::erase(expected, "grpCams");
  std::erase(expected, "");
  std::vector<std::string> walked;
  HWND h = window.Control(expected.front());
  for (size_t i = 0; i < expected.size(); ++i) {
    for (const ControlSpec& c : MainWindowControls())
      if (window.Control(c.name) == h) walked.push_back(c.name);
    h = GetNextDlgTabItem(window.Handle(), h, FALSE);
  }
  EXPECT_EQ(walked, expected);
  EXPECT_EQ(h, window.Control(expected.front()));  // and round again
}

// The program as the operator starts it: its window appears with the
// console's title and, with nothing unsaved, closes when asked.
TEST(WinProgram, ShowsItsWindowWithItsTitle) {
  testing::Program stanzo({{"Init.txt", "@m1 marq-size 50\r\n"}, {"Lyrics.txt", "la\r\n"}});
  ASSERT_TRUE(stanzo.Start());
  HWND found = stanzo.Window();
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(TextOf(found), L"Stanzo  (Cuewright)");
  PostMessageW(found, WM_CLOSE, 0, 0);
  EXPECT_EQ(stanzo.ExitCode(), 0);
}

}  // namespace
}  // namespace stanzo::win
