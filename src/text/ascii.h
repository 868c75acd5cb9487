// ASCII-only case folding. Every case-insensitive comparison in the console
// (masks, the "{INIT}" prefix, lyric search) folds A-Z/a-z and nothing else:
// bytes above 0x7F compare exactly, whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace stanzo {

constexpr char FoldUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
constexpr char FoldLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string LowerAscii(std::string_view s);

// True when `text` begins with `prefix`, comparing with ASCII folding.
bool StartsWithFolded(std::string_view text, std::string_view prefix);

// True when `a` and `b` are the same text under ASCII folding.
bool EqualsFolded(std::string_view a, std::string_view b);

}  // namespace stanzo
