// The three button pictures (open, save, back) as Win32 bitmaps, drawn
// from the same XPM images as the Qt window's.
#pragma once

#include <windows.h>

#include "console/control_table.h"

namespace stanzo::win {

// A 16 x 15 bitmap of `picture` whose transparent pixels (the light grey
// of the design) are painted in `face`, the button face behind them. The
// caller owns the bitmap (DeleteObject). Null for Picture::None.
HBITMAP PictureBitmap(Picture picture, COLORREF face);

}  // namespace stanzo::win
