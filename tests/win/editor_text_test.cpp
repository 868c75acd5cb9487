#include "win/editor_text.h"

#include <gtest/gtest.h>

namespace stanzo::win {
namespace {

TEST(EditorText, TextFollowsTheCoreForm) {
  const std::string core =
      "a\xC3\xBC\n\xF0\x9F\x8E\xB5"
      "b";
  const std::wstring wide = EditorWide(core);
  EXPECT_EQ(wide, L"a\u00FC\r\n\U0001F3B5b");
  EXPECT_EQ(EditorNarrow(wide), core);
  EXPECT_EQ(EditorNarrow(EditorWide("x\r\ny\r")), "x\r\ny\r");  // stray CRs kept
}

}  // namespace
}  // namespace stanzo::win
