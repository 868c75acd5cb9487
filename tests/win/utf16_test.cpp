#include "win/utf16.h"

#include <gtest/gtest.h>

namespace stanzo::win {
namespace {

TEST(Utf16, ConvertsEveryCharacterBothWays) {
  const struct {
    const char* utf8;
    const wchar_t* utf16;
  } cases[] = {
      {"", L""},
      {"Send Init", L"Send Init"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e \xE2\x82\xAC",
       L"Gr\u00FC\u00DFe \u20AC"},
      {"\xF0\x9F\x8E\xB5 la", L"\U0001F3B5 la"},  // outside the BMP: a surrogate pair
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Widen(c.utf8), c.utf16);
    EXPECT_EQ(Narrow(c.utf16), c.utf8);
  }
  // Embedded NULs and malformed input survive as what they are.
  EXPECT_EQ(Widen(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
  EXPECT_EQ(Widen("x\xFFy"), L"x\uFFFDy");
  EXPECT_EQ(Narrow(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace stanzo::win
