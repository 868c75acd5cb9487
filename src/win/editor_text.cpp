#include "win/editor_text.h"

#include "win/utf16.h"

namespace stanzo::win {
std::wstring EditorWide(std::string_view utf8) {
  std::wstring wide = Widen(utf8);
  std::wstring out;
  out.reserve(wide.size() + wide.size() / 16);
  for (wchar_t c : wide) {
    if (c == L'\n') out += L'\r';
    out += c;
  }
  return out;
}

std::string EditorNarrow(std::wstring_view utf16) {
  std::wstring lf;
  lf.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    if (utf16[i] == L'\r' && i + 1 < utf16.size() && utf16[i + 1] == L'\n') continue;
    lf += utf16[i];
  }
  return Narrow(lf);
}

}  // namespace stanzo::win
