#include "console/window_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stanzo {
namespace {

TEST(WindowRules, ACameraClickCountsOnlyForANewChoice) {
  const struct {
    int selected, clicked, count;
    bool counts;
  } cases[] = {{-1, 0, 10, true},   {3, 3, 10, false},   {3, 5, 10, true},
               {-1, 10, 10, false}, {-1, -1, 10, false}, {0, 0, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.selected) + " " + std::to_string(c.clicked));
    EXPECT_EQ(CameraChoiceCounts(c.selected, c.clicked, c.count), c.counts);
  }
}

TEST(WindowRules, CameraRowsFillTheGroupBelowItsCaption) {
  const struct {
    int width, height, caption, count;
    double scale;
  } cases[] = {{121, 225, 13, 10, 1.0}, {182, 338, 20, 3, 1.5}, {121, 225, 13, 7, 1.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    const std::vector<Rect> rows = CameraRows(c.width, c.height, c.caption, c.count, c.scale);
    ASSERT_EQ(rows.size(), static_cast<size_t>(c.count));
    const int margin = static_cast<int>(4 * c.scale + 0.5),
              left = static_cast<int>(8 * c.scale + 0.5);
    int top = c.caption;
    for (const Rect& r : rows) {
      EXPECT_EQ(r.top, top);  // no gaps, no overlaps
      EXPECT_EQ(r.left, left);
      EXPECT_EQ(r.Right(), c.width - margin);
      EXPECT_LE(std::abs(r.height - rows[0].height), 1);
      top = r.Bottom();
    }
    EXPECT_EQ(top, c.height - margin);
  }
  EXPECT_TRUE(CameraRows(121, 225, 13, 0, 1.0).empty());
}

TEST(WindowRules, Utf16OffsetsFollowTheUtf8Form) {
  // "a\u00FC\r\n\U0001F3B5b" as an editor holds it; in the core
  // "a\u00FC\n\U0001F3B5b": a=0 \u00FC=1..2 LF=3 note=4..7 b=8.
  const std::u16string wide = u"a\u00FC\r\n\U0001F3B5b";
  const struct { size_t index, offset; } pairs[] = {{0, 0}, {1, 1}, {2, 3}, {4, 4}, {6, 8}, {7, 9}};
  for (const auto& p : pairs) {
    SCOPED_TRACE(p.index);
    EXPECT_EQ(Utf8Offset(wide, p.index, true), p.offset);
    EXPECT_EQ(Utf16Index(wide, p.offset, true), p.index);
  }
  // Inside a character or a CR LF pair, or past the end.
  EXPECT_EQ(Utf16Index(wide, 2, true), 1u);
  EXPECT_EQ(Utf16Index(wide, 6, true), 4u);
  EXPECT_EQ(Utf16Index(wide, 99, true), wide.size());
  EXPECT_EQ(Utf8Offset(wide, 5, true), 4u);  // between the surrogates
  EXPECT_EQ(Utf8Offset(wide, 3, true), 3u);  // between CR and LF
  // Without CR LF pairs every unit counts; a lone surrogate as U+FFFD.
  EXPECT_EQ(Utf8Offset(u"a\r\nb", 3, false), 3u);
  EXPECT_EQ(Utf8Offset(u"\xD800x", 2), 4u);
  EXPECT_EQ(Utf16Index(u"\xD800x", 3), 1u);
}

TEST(WindowRules, OnlyDarkOpaquePixelsEtch) {
  constexpr uint32_t S = 0xFF808080, H = 0xFFFFFFFF;
  // Row 0: black, olive, yellow, see-through black; row 1: white, dark
  // blue, light grey, black.
  const std::vector<uint32_t> picture = {0xFF000000, 0xFF808000, 0xFFFFFF00, 0x40000000,
                                         0xFFFFFFFF, 0xFF000080, 0xFFC0C0C0, 0xFF000000};
  const std::vector<uint32_t> expected = {S, S, 0, 0,   // olive is dark; yellow is not
                                          0, S, H, S};  // the olive's highlight; shadow wins
  EXPECT_EQ(EtchedPicture(picture, 4, 2, S, H), expected);
  // A short buffer etches nothing.
  EXPECT_EQ(EtchedPicture(std::vector<uint32_t>(3, 0xFF000000), 2, 2, S, H),
            std::vector<uint32_t>(3, 0));
}

}  // namespace
}  // namespace stanzo
