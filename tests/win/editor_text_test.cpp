#include "win/editor_text.h"

#include <gtest/gtest.h>

namespace stanzo::win {
namespace {

TEST(EditorText, TextAndOffsetsFollowTheCoreForm) {
  // "a\u00FC\n\U0001F3B5b": bytes a=0 \u00FC=1..2 LF=3 note=4..7 b=8.
  const std::string core =
      "a\xC3\xBC\n\xF0\x9F\x8E\xB5"
      "b";
  const std::wstring wide = EditorWide(core);
  EXPECT_EQ(wide, L"a\u00FC\r\n\U0001F3B5b");
  EXPECT_EQ(EditorNarrow(wide), core);
  EXPECT_EQ(EditorNarrow(EditorWide("x\r\ny\r")), "x\r\ny\r");  // stray CRs kept
  const struct { size_t index, offset; } pairs[] = {{0, 0}, {1, 1}, {2, 3}, {4, 4}, {6, 8}, {7, 9}};
  for (const auto& p : pairs) {
    SCOPED_TRACE(p.index);
    EXPECT_EQ(Utf8Offset(wide, p.index, true), p.offset);
    EXPECT_EQ(WideIndex(wide, p.offset, true), p.index);
  }
  // Inside a character or past the end.
  EXPECT_EQ(WideIndex(wide, 2, true), 1u);
  EXPECT_EQ(WideIndex(wide, 6, true), 4u);
  EXPECT_EQ(WideIndex(wide, 99, true), wide.size());
  EXPECT_EQ(Utf8Offset(wide, 5, true), 4u);  // between the surrogates
  EXPECT_EQ(Utf8Offset(L"a\r\nb", 3, false), 3u);
}

}  // namespace
}  // namespace stanzo::win
