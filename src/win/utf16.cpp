#include "win/utf16.h"

#include <windows.h>

#include <climits>

namespace stanzo::win {

// Both conversions take an int length: longer texts are converted in
// pieces cut at a character boundary.
namespace {
constexpr size_t kPiece = INT_MAX / 4;
}

std::wstring Widen(std::string_view utf8) {
  std::wstring out;
  while (!utf8.empty()) {
    size_t n = utf8.size() < kPiece ? utf8.size() : kPiece;
    // Never cut inside a sequence: back up over continuation bytes.
    while (n < utf8.size() && n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
    const int len = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(n), nullptr, 0);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(len));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(n), out.data() + at, len);
    utf8.remove_prefix(n);
  }
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  std::string out;
  while (!utf16.empty()) {
    size_t n = utf16.size() < kPiece ? utf16.size() : kPiece;
    // Never cut a surrogate pair.
    if (n < utf16.size() && utf16[n] >= 0xDC00 && utf16[n] <= 0xDFFF) --n;
    const int len = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(n), nullptr, 0,
                                        nullptr, nullptr);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(len));
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(n), out.data() + at, len,
                        nullptr, nullptr);
    utf16.remove_prefix(n);
  }
  return out;
}

}  // namespace stanzo::win

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
