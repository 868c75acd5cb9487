#include "base/utf8.h"
#include "platform/codepage.h"

namespace stanzo::platform {
namespace {

// 0x80..0x9F hold the typographic characters; the five bytes the code page
// leaves undefined (0x81 0x8D 0x8F 0x90 0x9D) map to the C1 control code of
// the same value, so every byte decodes to something and encodes back to
// itself. Every other byte is its own code point.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

// The byte for `cp`, or -1 when Windows-1252 has none.
int UnicodeToCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == cp) return 0x80 + i;
  }
  return -1;
}

class Windows1252 final : public CodePage {
 public:
  std::string ToUtf8(std::string_view bytes) override {
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 2);
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      AppendUtf8(text, b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : b);
    }
    return text;
  }

  bool FromUtf8(std::string_view utf8, std::string* bytes) override {
    bytes->clear();
    bytes->reserve(utf8.size());
    char32_t cp;
    for (size_t i = 0; i < utf8.size();) {
      const size_t n = DecodeUtf8At(utf8, i, &cp);
      if (n == 0) return false;
      i += n;
      const int b = UnicodeToCp1252(cp);
      if (b < 0) return false;
      *bytes += static_cast<char>(b);
    }
    return true;
  }

  std::string Name() override { return "Windows-1252"; }
};

}  // namespace

CodePage& CodePage::Default() {
  static Windows1252 codePage;
  return codePage;
}

}  // namespace stanzo::platform
