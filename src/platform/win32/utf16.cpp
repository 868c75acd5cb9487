#include "platform/win32/utf16.h"

#include <windows.h>

#include <climits>

namespace stanzo::platform {

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

}  // namespace stanzo::platform
