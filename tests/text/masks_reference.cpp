#include "text/masks_reference.h"

#include <cstdlib>

#include "text/ascii.h"

namespace stanzo::testing {

namespace {

struct ResumePoint {
  size_t pos;
  size_t index;
};

uint8_t Fold(uint8_t b) {
  return static_cast<uint8_t>(FoldUpper(static_cast<char>(b)));
}

bool Satisfied(const MaskStep& step, std::string_view text, size_t pos) {
  const size_t n = text.size();
  if (pos >= n) return step.Kind == StepKind::Literal && step.Ch == 0;
  const uint8_t b = static_cast<uint8_t>(text[pos]);
  switch (step.Kind) {
    case StepKind::Literal:
      return step.Ch != 0 && Fold(b) == step.Ch;
    case StepKind::AnyOne:
      return true;
    case StepKind::MemberSet:
      return step.Members[Fold(b)] != step.Negated;
    case StepKind::BytePair:
      return pos + 1 < n && b == step.First && static_cast<uint8_t>(text[pos + 1]) == step.Second;
  }
  return false;
}

// One attempt from (pos, index) to the end of the steps.
bool MatchFrom(const std::vector<MaskStep>& steps, std::string_view text, size_t pos, size_t index,
               ResumePoint* stack, size_t& depth) {
  const size_t n = text.size();
  for (; index < steps.size(); ++index) {
    const MaskStep& step = steps[index];
    if (step.FollowsStar) {
      // Byte by byte for every kind, BytePair included.
      while (pos < n && !Satisfied(step, text, pos)) ++pos;
      if (pos < n) {
        if (depth >= static_cast<size_t>(MaxStarSteps)) std::abort();  // cannot happen
        stack[depth++] = {pos + 1, index};
      }
    }
    if (!Satisfied(step, text, pos)) return false;
    pos += step.Kind == StepKind::BytePair ? 2 : 1;
  }
  return true;
}

}  // namespace

std::optional<bool> ReferenceAccepts(const std::vector<MaskStep>& steps, std::string_view text,
                                     uint64_t max_attempts) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  ResumePoint stack[MaxStarSteps];
  size_t depth = 0;
  ResumePoint next{0, 0};
  for (uint64_t attempts = 1;; ++attempts) {
    if (attempts > max_attempts) return std::nullopt;
    if (MatchFrom(steps, text, next.pos, next.index, stack, depth)) return true;
    if (depth == 0) return false;
    next = stack[--depth];
  }
}

}  // namespace stanzo::testing
