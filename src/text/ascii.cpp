#include "text/ascii.h"

namespace stanzo {

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = FoldLower(c);
  return out;
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (FoldUpper(text[i]) != FoldUpper(prefix[i])) return false;
  return true;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithFolded(a, b);
}

}  // namespace stanzo
