// Where the stage draws a marquee: pure geometry in integer pixels.
//
// Every size and offset a client sends is in pixels of a 1280x720 frame;
// the stage scales them to the frame it actually paints (the largest 16:9
// rectangle of its window), so a layout looks the same at any window size.
//
// Placement of a text box of w x h in a frame of W x H, for marq-position p
// and offsets x, y (already scaled to the frame):
//   p < 0 (the default): free placement; the box's top-left corner is at
//         (x, y).
//   p >= 0: p is a sum of 1 left, 2 right, 4 top, 8 bottom; 0 is the centre.
//     horizontally: left bit   -> left edge at x (x inward from the left)
//                   right bit  -> right edge at W - x (x inward from the right)
//                   neither    -> centred, W/2 - w/2; x is ignored
//     vertically:   top bit    -> top edge at y
//                   bottom bit -> bottom edge at H - y
//                   neither    -> centred, H/2 - h/2; y is ignored
//     Left wins over right and top over bottom when both are set; higher
//     bits are ignored. So 5 is top-left, 6 top-right, 9 bottom-left, 10
//     bottom-right. Halves are integer divisions.
// Nothing is clamped: a box may reach past the frame, where it is clipped.
// The lines of a multi-line text are aligned inside the box by the
// horizontal anchor: left for free placement and the left bit, right for
// the right bit, centred otherwise.
#pragma once

#include <vector>

namespace stanzo::stage {

inline constexpr int kFrameWidth = 1280;
inline constexpr int kFrameHeight = 720;

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

enum class LineAlign { kLeft, kCentre, kRight };

Rect PlaceMarquee(int frame_width, int frame_height, int box_width, int box_height, int position,
                  int x, int y);

LineAlign AlignLines(int position);

// A length given in pixels of a 720-high frame, in pixels of a frame
// `frame_height` high, rounded to nearest.
int ScaleToFrame(int length, int frame_height);

// Font pixel size for marq-size `size` in a frame `frame_height` high:
// size 0 is the default, a sixteenth of the frame height (45 px at 720);
// any other size is scaled like every length, and is at least 1.
int FontPixelSize(int size, int frame_height);

// The largest 16:9 rectangle centred in an area of the given size.
Rect FitFrame(int area_width, int area_height);

// The console's window, outer frame included, where it always opens.
inline constexpr Rect kConsoleWindow{326, 249, 781, 511};

// Where the stage's window opens, as its outer frame (title bar and borders
// included) in desktop coordinates. `screens` are the usable areas of the
// screens, primary first; `client_width` x `client_height` is the wanted
// inside size, `frame_width` x `frame_height` what the frame adds to it.
//  - With a screen that the console does not touch: centred there.
//  - Else beside the console on its screen, in the widest free strip
//    (right, left, below, above; right wins ties), shrunk to 16:9 to fit the
//    strip, as long as the inside stays at least a third of the wanted width.
//  - Else full size in the screen corner farthest from the console, which
//    covers the least of it.
// The window never gets larger than wanted, nor larger than its screen.
Rect PlaceStageWindow(const std::vector<Rect>& screens, const Rect& console, int client_width,
                      int client_height, int frame_width, int frame_height);

}  // namespace stanzo::stage
