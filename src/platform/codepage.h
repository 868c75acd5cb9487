// The system's 8-bit code page: how a text file that is not UTF-8 is read
// and written back. On Windows it is the system's ANSI code page, so that
// files written by older Windows programs load and save back byte for
// byte; elsewhere it is Windows-1252, where such files come from.
//
// Threading: any thread. Errors are results; nothing throws (out of memory
// aside).
#pragma once

#include <bitset>
#include <string>
#include <string_view>

namespace stanzo::platform {

class CodePage {
 public:
  virtual ~CodePage() = default;

  // The text of `bytes` in UTF-8. Every byte sequence decodes to something.
  virtual std::string ToUtf8(std::string_view bytes) = 0;
  // The bytes of `utf8` in the code page; false when `utf8` is malformed
  // or holds a character the code page cannot store (no best-fit
  // look-alike is ever substituted). *bytes is unspecified then.
  virtual bool FromUtf8(std::string_view utf8, std::string* bytes) = 0;
  // Its name in messages: "Windows-1252", "code page 932".
  virtual std::string Name() = 0;
  // The bytes that begin a two-byte character in the code page: on a
  // Windows with double-byte support, the lead-byte ranges the system
  // reports for its ANSI code page; none for a single-byte code page (the
  // default). Asked once at start-up.
  virtual std::bitset<256> LeadBytes() { return {}; }

  // The system's; lives for the whole run.
  static CodePage& Default();
};

}  // namespace stanzo::platform
