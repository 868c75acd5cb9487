#include <windows.h>

#include <climits>

#include "base/utf8.h"
#include "platform/codepage.h"
#include "platform/win32/utf16.h"

namespace stanzo::platform {
namespace {

// The ANSI code page (GetACP), through UTF-16. A text that does not come
// back the same after a round trip cannot be stored: that catches the
// characters the code page lacks (WC_NO_BEST_FIT_CHARS keeps "é" from
// becoming "e" silently) and, in double-byte code pages, anything the
// conversion would not give back byte for byte.
class AnsiCodePage final : public CodePage {
 public:
  std::string ToUtf8(std::string_view bytes) override {
    std::wstring wide;
    while (!bytes.empty()) {
      // Pieces below INT_MAX; a double-byte character may be split at a
      // piece boundary only in files of a gigabyte, which nobody edits here.
      const int n = bytes.size() > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(bytes.size());
      const int len = MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, nullptr, 0);
      const size_t at = wide.size();
      wide.resize(at + static_cast<size_t>(len));
      MultiByteToWideChar(CP_ACP, 0, bytes.data(), n, wide.data() + at, len);
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return Narrow(wide);
  }

  bool FromUtf8(std::string_view utf8, std::string* bytes) override {
    bytes->clear();
    if (!IsValidUtf8(utf8)) return false;
    const std::wstring wide = Widen(utf8);
    if (wide.size() > INT_MAX / 4) return false;
    const int n = static_cast<int>(wide.size());
    if (n == 0) return true;
    BOOL usedDefault = FALSE;
    const int len = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr, 0,
                                        nullptr, &usedDefault);
    if (len <= 0 || usedDefault) return false;
    bytes->resize(static_cast<size_t>(len));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, bytes->data(), len, nullptr,
                        &usedDefault);
    return !usedDefault && ToUtf8(*bytes) == utf8;
  }

  std::string Name() override {
    const UINT cp = GetACP();
    if (cp >= 1250 && cp <= 1258) return "Windows-" + std::to_string(cp);
    return "code page " + std::to_string(cp);
  }

  // Up to six ranges, ended by a pair of zeros; only where the system has
  // double-byte support switched on.
  std::bitset<256> LeadBytes() override {
    std::bitset<256> lead;
    CPINFO info;
    if (GetSystemMetrics(SM_DBCSENABLED) == 0 || !GetCPInfo(CP_ACP, &info)) return lead;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      for (int b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b)
        lead.set(static_cast<size_t>(b));
    }
    return lead;
  }
};

}  // namespace

CodePage& CodePage::Default() {
  static AnsiCodePage codePage;
  return codePage;
}

}  // namespace stanzo::platform
