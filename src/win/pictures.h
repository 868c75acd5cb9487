// The three button pictures (open, save, back) and the window icon, drawn
// from the same XPM images as the Qt window's.
#pragma once

#include <windows.h>

#include "console/control_table.h"

namespace stanzo::win {

// Draws the 16 x 15 `picture` with its top-left corner at (x, y). Its
// light-grey pixels are transparent: what is behind shows through. Enabled,
// the picture itself; disabled, its etched silhouette: every pixel that is
// neither transparent nor white, in the highlight colour one pixel down and
// right, then in the shadow colour. Nothing for Picture::None.
void DrawPicture(HDC dc, int x, int y, Picture picture, bool enabled);

// The picture's size, 0 x 0 for Picture::None.
SIZE PictureSize(Picture picture);

// The window icon, 48 x 48 with its transparency mask. The caller owns it
// (DestroyIcon). Null when Windows refuses it.
HICON ConsoleIcon();

}  // namespace stanzo::win
