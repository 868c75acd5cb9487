// Wildcard masks: "?" one byte, "*" any run, "[set]" / "[!set]" with ranges.
// ASCII letters compare without case; the whole text must fit the whole mask.
//
// Errors: compiling a malformed mask throws InvalidMask with the message
// "'<mask>' is an invalid mask at (<pos>)", pos 1-based.
// Threading: a TMask is immutable after construction; LeadByteSet is written
// once before any matching (tests may fill it) and only read afterwards.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace stanzo {

class InvalidMask : public std::runtime_error {
 public:
  InvalidMask(std::string_view mask, int position);
  int Position() const { return position_; }

 private:
  int position_;
};

enum class StepKind : uint8_t { Literal = 0, AnyOne = 1, MemberSet = 2, BytePair = 3 };

struct MaskStep {
  bool FollowsStar = false;
  StepKind Kind = StepKind::Literal;
  uint8_t Ch = 0;  // Literal: folded byte; 0 in the end step
  bool Negated = false;
  std::bitset<256> Members;       // MemberSet: folded members
  uint8_t First = 0, Second = 0;  // BytePair
};

constexpr int MaxStarSteps = 30;

// Bytes that begin a two-byte character, for masks compiled without a set
// of their own. Empty in the program (it hands its code page's lead bytes
// to TextMask instead); exposed so tests can exercise the two-byte paths.
std::bitset<256>& LeadByteSet();

class TMask {
 public:
  // A byte of `leadBytes` and the byte after it form one two-byte
  // character (a BytePair step).
  explicit TMask(std::string_view mask,
                 const std::bitset<256>& leadBytes = LeadByteSet());  // throws InvalidMask
  // Whether `text` (read up to its first NUL) fits the mask. Runs in
  // O(text length x steps).
  bool Accepts(std::string_view text) const;
  const std::vector<MaskStep>& Steps() const { return steps_; }

 private:
  std::vector<MaskStep> steps_;
};

// Compiles `mask` and matches `text` against it. Throws InvalidMask.
bool LineMatchesMask(std::string_view text, std::string_view mask);

// A mask over the console's UTF-8 texts. The mask rules read masks and
// texts in the system's 8-bit code page, where a double-byte code page's
// lead bytes pair with the byte after them; UTF-8 bytes read that way
// would pair wrongly (0x81..0x9F continue UTF-8 characters and lead
// Shift-JIS ones, so "\xC4\x81*" would swallow the star). So with lead
// bytes the mask and each text are matched as the code page stores them;
// a mask or text holding a character the code page lacks is matched on its
// UTF-8 bytes, byte by byte, as on a single-byte system. Without lead
// bytes it is TMask over the UTF-8 bytes.
class TextMask {
 public:
  // The UTF-8 bytes, with LeadByteSet(). Throws InvalidMask.
  explicit TextMask(std::string_view mask);
  // In `codePage` (which must outlive it) with `leadBytes`, its lead bytes
  // as read once at start-up. Throws InvalidMask naming `mask` as given.
  TextMask(std::string_view mask, platform::CodePage& codePage, const std::bitset<256>& leadBytes);

  bool Accepts(std::string_view text) const;

 private:
  TMask bytes_;                      // the UTF-8 bytes, byte by byte
  std::optional<TMask> inCodePage_;  // the code page's bytes, when there are lead bytes
  platform::CodePage* codePage_ = nullptr;
};

}  // namespace stanzo
