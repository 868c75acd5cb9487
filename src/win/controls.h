// Helpers the window's files share for its controls: text measures and
// the conversions of captions and window texts. Win32 only, window thread.
#pragma once

#include <windows.h>

#include <string>

namespace stanzo::win {

// Width of `text` drawn on one line in `font`, as a label sizes itself: a
// synthesized bold face reaches its overhang past the measured extent.
int TextWidth(HDC dc, HFONT font, const std::wstring& text);

// A window's whole text.
std::wstring WindowText(HWND h);

// "&" shows as itself on a button, not as a mnemonic.
std::wstring ButtonCaption(const std::string& text);

}  // namespace stanzo::win
