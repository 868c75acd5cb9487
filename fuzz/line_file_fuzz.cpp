// Fuzzes the line-file reader: decoding, NUL cutting, line ends and the
// list-item rules, with the writer's encoding as the reverse.
//
// Checks: decoding and encoding back give the file's bytes exactly; an
// editor file without NUL whose breaks are all CR LF is saved back byte for
// byte; loading what was saved gives the same text and encoding again; the
// items of a list file survive a save and a load.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "text/line_file.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "line_file_fuzz: %s\n", what);
    std::abort();
  }
}

std::string WithCrLf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// True when every CR is followed by LF and every LF follows a CR.
bool OnlyCrLf(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using stanzo::TextEncoding;
  const std::string raw(reinterpret_cast<const char*>(data), size);
  stanzo::platform::CodePage& codePage = stanzo::platform::CodePage::Default();

  TextEncoding encoding;
  const std::string decoded = stanzo::DecodeFileBytes(raw, &encoding, codePage);
  Check(stanzo::EncodeFileBytes(decoded, encoding, "f", codePage) == raw, "codec round trip");

  bool cut = false;
  const std::string full = stanzo::DecodeFileText(raw, &encoding, &cut, codePage);
  const std::string text = stanzo::NormalizeEditorText(full);
  const std::string saved = stanzo::EncodeFileBytes(WithCrLf(text), encoding, "f", codePage);
  if (!cut && OnlyCrLf(full)) Check(saved == raw, "editor file not saved back byte for byte");

  // An 8-bit file that happens to begin like a UTF-16 byte-order mark may
  // read as UTF-16 once its line ends are made whole; that one is let be.
  const bool looksUtf16 =
      raw.size() >= 2 && (raw.compare(0, 2, "\xFF\xFE") == 0 || raw.compare(0, 2, "\xFE\xFF") == 0);
  const bool utf16 = encoding == TextEncoding::Utf16Le || encoding == TextEncoding::Utf16Be;
  if (!looksUtf16 || utf16) {
    TextEncoding again;
    bool cutAgain = true;
    const std::string reloaded =
        stanzo::NormalizeEditorText(stanzo::DecodeFileText(saved, &again, &cutAgain, codePage));
    Check(reloaded == text && again == encoding && !cutAgain, "a saved editor file reads back");
  }

  const std::vector<std::string> items = stanzo::SplitListItems(full);
  Check(stanzo::SplitListItems(stanzo::JoinListItems(items)) == items, "list items read back");
  return 0;
}
