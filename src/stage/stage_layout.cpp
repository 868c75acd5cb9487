#include "stage/stage_layout.h"

#include <cmath>
#include <cstdint>

namespace stanzo::stage {

namespace {

constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kTop = 4;
constexpr int kBottom = 8;

bool Intersects(const Rect& a, const Rect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

int Clamp(int v, int lo, int hi) {
  return v > hi ? (lo > hi ? lo : hi) : (v < lo ? lo : v);
}

// The outer size of the largest 16:9 window of at most the wanted inside
// size whose frame fits into `room_width` x `room_height`.
Rect FitWindow(int room_width, int room_height, int client_width, int client_height,
               int frame_width, int frame_height) {
  const int w = room_width - frame_width < client_width ? room_width - frame_width : client_width;
  const int h =
      room_height - frame_height < client_height ? room_height - frame_height : client_height;
  const Rect inside = FitFrame(w, h);
  if (inside.width <= 0) return {};
  return {0, 0, inside.width + frame_width, inside.height + frame_height};
}

constexpr int kGap = 8;  // between the two windows

}  // namespace

Rect PlaceMarquee(int frame_width, int frame_height, int box_width, int box_height, int position,
                  int x, int y) {
  Rect r{0, 0, box_width, box_height};
  if (position < 0) {
    r.x = x;
    r.y = y;
    return r;
  }
  if (position & kLeft) {
    r.x = x;
  } else if (position & kRight) {
    r.x = frame_width - box_width - x;
  } else {
    r.x = frame_width / 2 - box_width / 2;
  }
  if (position & kTop) {
    r.y = y;
  } else if (position & kBottom) {
    r.y = frame_height - box_height - y;
  } else {
    r.y = frame_height / 2 - box_height / 2;
  }
  return r;
}

LineAlign AlignLines(int position) {
  if (position < 0 || (position & kLeft)) return LineAlign::kLeft;
  if (position & kRight) return LineAlign::kRight;
  return LineAlign::kCentre;
}

int ScaleToFrame(int length, int frame_height) {
  return static_cast<int>(std::lround(static_cast<double>(length) * frame_height / kFrameHeight));
}

int FontPixelSize(int size, int frame_height) {
  const int px = size == 0 ? static_cast<int>(std::lround(frame_height / 16.0))
                           : ScaleToFrame(size, frame_height);
  return px < 1 ? 1 : px;
}

Rect FitFrame(int area_width, int area_height) {
  if (area_width <= 0 || area_height <= 0) return {};
  Rect r;
  // Compare the aspect ratios without rounding: w * 9 against h * 16.
  if (std::int64_t{area_width} * 9 <= std::int64_t{area_height} * 16) {
    r.width = area_width;
    r.height = static_cast<int>(std::int64_t{area_width} * 9 / 16);
  } else {
    r.height = area_height;
    r.width = static_cast<int>(std::int64_t{area_height} * 16 / 9);
  }
  r.x = (area_width - r.width) / 2;
  r.y = (area_height - r.height) / 2;
  return r;
}

Rect PlaceStageWindow(const std::vector<Rect>& screens, const Rect& console, int client_width,
                      int client_height, int frame_width, int frame_height) {
  const Rect wanted{0, 0, client_width + frame_width, client_height + frame_height};
  if (screens.empty()) return wanted;
  for (const Rect& s : screens) {
    if (Intersects(s, console)) continue;
    Rect r = FitWindow(s.width, s.height, client_width, client_height, frame_width, frame_height);
    r.x = s.x + (s.width - r.width) / 2;
    r.y = s.y + (s.height - r.height) / 2;
    return r;
  }
  const Rect* home = &screens.front();
  for (const Rect& s : screens) {
    if (Intersects(s, console)) {
      home = &s;
      break;
    }
  }
  const Rect& s = *home;
  const int right = s.x + s.width - (console.x + console.width + kGap);
  const int left = console.x - kGap - s.x;
  const int below = s.y + s.height - (console.y + console.height + kGap);
  const int above = console.y - kGap - s.y;
  struct Strip {
    int width;
    int height;
    int side;  // 0 right, 1 left, 2 below, 3 above
  };
  const Strip strips[] = {
      {right, s.height, 0}, {left, s.height, 1}, {s.width, below, 2}, {s.width, above, 3}};
  Rect best;
  int best_side = -1;
  for (const Strip& strip : strips) {
    if (strip.width <= 0 || strip.height <= 0) continue;
    const Rect r = FitWindow(strip.width, strip.height, client_width, client_height, frame_width,
                             frame_height);
    if (r.width > best.width) {
      best = r;
      best_side = strip.side;
    }
  }
  if (best_side >= 0 && (best.width - frame_width) * 3 >= client_width) {
    const int max_x = s.x + s.width - best.width;
    const int max_y = s.y + s.height - best.height;
    switch (best_side) {
      case 0:
        best.x = console.x + console.width + kGap;
        best.y = Clamp(console.y, s.y, max_y);
        break;
      case 1:
        best.x = console.x - kGap - best.width;
        best.y = Clamp(console.y, s.y, max_y);
        break;
      case 2:
        best.x = Clamp(console.x, s.x, max_x);
        best.y = console.y + console.height + kGap;
        break;
      default:
        best.x = Clamp(console.x, s.x, max_x);
        best.y = console.y - kGap - best.height;
        break;
    }
    return best;
  }
  // No strip is wide enough: the corner farthest from the console.
  Rect r = FitWindow(s.width, s.height, client_width, client_height, frame_width, frame_height);
  const bool console_left = 2 * (console.x - s.x) + console.width < s.width;
  const bool console_top = 2 * (console.y - s.y) + console.height < s.height;
  r.x = console_left ? s.x + s.width - r.width : s.x;
  r.y = console_top ? s.y + s.height - r.height : s.y;
  return r;
}

}  // namespace stanzo::stage
