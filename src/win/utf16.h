// The window's side of the UTF-8 / UTF-16 boundary: the platform layer's
// conversions (platform/win32/utf16.h), under the names the window uses.
#pragma once

#include "platform/win32/utf16.h"

namespace stanzo::win {

using platform::Narrow;
using platform::Widen;

}  // namespace stanzo::win
