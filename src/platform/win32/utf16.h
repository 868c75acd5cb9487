// The boundary between the core's UTF-8 and the Win32 W functions' UTF-16.
// Every text crosses it here, so any character the operator types or a file
// holds survives the window.
//
// Invalid input never fails: a malformed UTF-8 sequence becomes U+FFFD, and
// so does an unpaired surrogate in UTF-16. Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace stanzo::platform {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace stanzo::platform
