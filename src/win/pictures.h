// The three button pictures (open, save, back) and the window icon, drawn
// from the same XPM images as the Qt window's (src/resources).
#pragma once

#include <windows.h>

#include "console/control_table.h"

namespace stanzo::win {

// Draws the 16 x 15 `picture` with its top-left corner at (x, y). Its
// light-grey pixels are transparent: what is behind shows through. Enabled,
// the picture itself; disabled, its etched silhouette (EtchedPicture of
// console/window_rules.h) in the system's button highlight and shadow
// colours. Nothing for Picture::None.
void DrawPicture(HDC dc, int x, int y, Picture picture, bool enabled);

// The picture's size, 0 x 0 for Picture::None.
SIZE PictureSize(Picture picture);

// The window icon, 48 x 48 with its transparency mask. The caller owns it
// (DestroyIcon). Null when Windows refuses it.
HICON ConsoleIcon();

}  // namespace stanzo::win
