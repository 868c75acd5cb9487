#include "stage/stage_layout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace stanzo::stage {

void PrintTo(const Rect& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

struct PlaceCase {
  int position;
  int x;
  int y;
  Rect expected;
};

TEST(StageLayout, PlacesABoxByPositionAndOffsets) {
  // Frame 1280x720, box 200x50.
  const PlaceCase cases[] = {
      {-1, 10, 20, {10, 20, 200, 50}},    // free: top-left corner at (x, y)
      {-1, -5, 700, {-5, 700, 200, 50}},  // ... not clamped
      {-7, 3, 4, {3, 4, 200, 50}},        // any negative is free
      {0, 10, 10, {540, 335, 200, 50}},   // centre ignores both offsets
      {1, 10, 10, {10, 335, 200, 50}},    // left
      {2, 10, 10, {1070, 335, 200, 50}},  // right: x inward from the right edge
      {4, 10, 7, {540, 7, 200, 50}},      // top
      {8, 10, 7, {540, 663, 200, 50}},    // bottom: y inward from the bottom edge
      {5, 10, 7, {10, 7, 200, 50}},       // top-left
      {6, 10, 7, {1070, 7, 200, 50}},     // top-right
      {9, 10, 7, {10, 663, 200, 50}},     // bottom-left
      {10, 10, 7, {1070, 663, 200, 50}},  // bottom-right
      {3, 10, 7, {10, 335, 200, 50}},     // left wins over right
      {12, 10, 7, {540, 7, 200, 50}},     // top wins over bottom
      {15, 10, 7, {10, 7, 200, 50}},        {17, 10, 7, {10, 335, 200, 50}},  // higher bits ignored
      {5, -30, -40, {-30, -40, 200, 50}},  // negative offsets push outward
      {10, -30, -40, {1110, 710, 200, 50}},
  };
  for (const PlaceCase& c : cases) {
    EXPECT_EQ(PlaceMarquee(1280, 720, 200, 50, c.position, c.x, c.y), c.expected)
        << "position " << c.position << " x " << c.x << " y " << c.y;
  }
}

TEST(StageLayout, CentresWithIntegerHalvesAndDoesNotClamp) {
  EXPECT_EQ(PlaceMarquee(1281, 721, 201, 51, 0, 0, 0), (Rect{540, 335, 201, 51}));
  EXPECT_EQ(PlaceMarquee(1280, 720, 2000, 100, 0, 0, 0), (Rect{-360, 310, 2000, 100}));
  EXPECT_EQ(PlaceMarquee(1280, 720, 2000, 100, 2, 0, 0), (Rect{-720, 310, 2000, 100}));
}

TEST(StageLayout, AlignsLinesByTheHorizontalAnchor) {
  const std::pair<int, LineAlign> cases[] = {
      {-1, LineAlign::kLeft},  {0, LineAlign::kCentre}, {1, LineAlign::kLeft},
      {2, LineAlign::kRight},  {3, LineAlign::kLeft},   {4, LineAlign::kCentre},
      {8, LineAlign::kCentre}, {5, LineAlign::kLeft},   {6, LineAlign::kRight},
      {9, LineAlign::kLeft},   {10, LineAlign::kRight},
  };
  for (const auto& [position, align] : cases) {
    EXPECT_EQ(AlignLines(position), align) << "position " << position;
  }
}

TEST(StageLayout, ScalesLengthsAndFontSizesWithTheFrame) {
  struct Case {
    int value;
    int frame_height;
    int scaled;
    int font;
  };
  const Case cases[] = {
      {100, 720, 100, 100}, {100, 360, 50, 50}, {45, 1080, 68, 68},  // 67.5 rounds up
      {-10, 360, -5, 1},    {1, 100, 0, 1},                          // fonts are at least 1 px
      {50, 540, 38, 38},    {0, 720, 0, 45},  // size 0: a sixteenth of the height
      {0, 1080, 0, 68},     {0, 90, 0, 6},      {2000, 2160, 6000, 6000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleToFrame(c.value, c.frame_height), c.scaled)
        << c.value << " at " << c.frame_height;
    if (c.value >= 0) {
      EXPECT_EQ(FontPixelSize(c.value, c.frame_height), c.font)
          << c.value << " at " << c.frame_height;
    }
  }
}

TEST(StageLayout, FitsTheLargestCentredSixteenByNineFrame) {
  struct Case {
    int width;
    int height;
    Rect expected;
  };
  const Case cases[] = {
      {1280, 720, {0, 0, 1280, 720}},
      {1000, 1000, {0, 219, 1000, 562}},
      {2000, 720, {360, 0, 1280, 720}},
      {801, 450, {0, 0, 800, 450}},
      {800, 451, {0, 0, 800, 450}},
      {0, 10, {}},
      {10, -1, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitFrame(c.width, c.height), c.expected) << c.width << "x" << c.height;
  }
}

TEST(StageLayout, OpensTheWindowWhereTheConsoleDoesNotCoverIt) {
  // Inside 960x540 with a frame of 8x31: 968x571 outside.
  struct Case {
    const char* what;
    std::vector<Rect> screens;
    Rect console;
    Rect expected;
  };
  const Rect c = kConsoleWindow;
  const Case cases[] = {
      {"no screen known", {}, c, {0, 0, 968, 571}},
      {"second screen, centred",
       {{0, 0, 1920, 1080}, {1920, 0, 1920, 1080}},
       c,
       {2396, 254, 968, 571}},
      {"second screen listed first",
       {{1920, 0, 1920, 1080}, {0, 0, 1920, 1080}},
       c,
       {2396, 254, 968, 571}},
      {"small second screen", {{0, 0, 1920, 1080}, {-1024, 0, 1024, 768}}, c, {-996, 98, 968, 571}},
      {"full size right of the console", {{0, 0, 2560, 1440}}, c, {1115, 249, 968, 571}},
      {"shrunk to the strip on the right", {{0, 0, 1920, 1080}}, c, {1115, 249, 805, 479}},
      {"above on a small screen", {{0, 0, 1366, 768}}, c, {326, 0, 381, 241}},
      {"corner away from a huge console",
       {{0, 0, 1920, 1080}},
       {100, 100, 1700, 900},
       {952, 0, 968, 571}},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(PlaceStageWindow(k.screens, k.console, 960, 540, 8, 31), k.expected) << k.what;
  }
}

}  // namespace
}  // namespace stanzo::stage
