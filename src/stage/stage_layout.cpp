#include "stage/stage_layout.h"

#include <cmath>
#include <cstdint>

namespace stanzo::stage {

namespace {

constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kTop = 4;
constexpr int kBottom = 8;

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

}  // namespace stanzo::stage
