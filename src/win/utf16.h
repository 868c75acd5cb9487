// The window's side of the UTF-8 / UTF-16 boundary: the platform layer's
// conversions (platform/win32/utf16.h), under the names the window uses.
#pragma once

#include <string_view>

#include "platform/win32/utf16.h"

namespace stanzo::win {

using platform::Narrow;
using platform::Widen;

// A Windows wide string as the UTF-16 it is (wchar_t is 16 bits there).
inline std::u16string_view Utf16(std::wstring_view wide) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return {reinterpret_cast<const char16_t*>(wide.data()), wide.size()};
}

}  // namespace stanzo::win
