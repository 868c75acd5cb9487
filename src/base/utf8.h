// UTF-8 helpers over plain bytes. Strict decoding: shortest form only, no
// surrogates, nothing above U+10FFFF. The cutting helpers never fail on
// malformed input; they treat a stray byte as a character of its own.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace stanzo {

// Decodes the one well-formed sequence at s[i]. Returns its length, or 0
// when the bytes there are not one (*cp is then unchanged).
size_t DecodeUtf8At(std::string_view s, size_t i, char32_t* cp);
bool IsValidUtf8(std::string_view s);
void AppendUtf8(std::string& out, char32_t cp);

// Bytes taken by the character that starts at s[at] (at < s.size()): its
// lead byte's length as far as continuation bytes follow, 1 for a stray or
// malformed byte, so a scan always moves on.
size_t Utf8CharLength(std::string_view s, size_t at);

// `s` cut to at most `max` bytes, never inside a character: a cut that
// would split one moves back to its first byte (at most three bytes back,
// so malformed input cannot eat the whole text).
std::string_view CutUtf8(std::string_view s, size_t max);

}  // namespace stanzo
