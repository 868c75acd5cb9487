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
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// Bytes that begin a two-byte character. Empty on Linux (no code-page lead
// bytes); exposed so tests can exercise the two-byte paths.
std::bitset<256>& LeadByteSet();

class TMask {
 public:
  explicit TMask(std::string_view mask);  // throws InvalidMask
  // Whether `text` (read up to its first NUL) fits the mask. Runs in
  // O(text length x steps).
  bool Accepts(std::string_view text) const;
  const std::vector<MaskStep>& Steps() const { return steps_; }

 private:
  std::vector<MaskStep> steps_;
};

// Compiles `mask` and matches `text` against it. Throws InvalidMask.
bool LineMatchesMask(std::string_view text, std::string_view mask);

}  // namespace stanzo
