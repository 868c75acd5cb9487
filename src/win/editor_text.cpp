#include "win/editor_text.h"

#include "win/utf16.h"

namespace stanzo::win {
namespace {

// UTF-8 bytes of the character starting at wide[i], and its UTF-16 length.
size_t Utf8Length(std::wstring_view wide, size_t i, size_t* units) {
  const wchar_t c = wide[i];
  *units = 1;
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
      wide[i + 1] <= 0xDFFF) {
    *units = 2;
    return 4;
  }
  return 3;  // unpaired surrogates become U+FFFD, also 3 bytes
}

}  // namespace

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

size_t Utf8Offset(std::wstring_view wide, size_t index, bool crlf) {
  size_t bytes = 0;
  for (size_t i = 0; i < wide.size() && i < index;) {
    if (crlf && wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') {
      if (i + 1 >= index) break;
      i += 2;
      bytes += 1;
      continue;
    }
    size_t units = 1;
    const size_t n = Utf8Length(wide, i, &units);
    if (i + units > index) break;
    bytes += n;
    i += units;
  }
  return bytes;
}

size_t WideIndex(std::wstring_view wide, size_t offset, bool crlf) {
  size_t bytes = 0, i = 0;
  while (i < wide.size()) {
    size_t units = 1, n = 0;
    if (crlf && wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') {
      units = 2;
      n = 1;
    } else {
      n = Utf8Length(wide, i, &units);
    }
    if (bytes + n > offset) break;
    bytes += n;
    i += units;
  }
  return i;
}

}  // namespace stanzo::win
