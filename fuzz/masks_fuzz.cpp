// Fuzzes mask compiling and matching. Input layout: one flag byte (bit 0:
// fill LeadByteSet with double-byte lead bytes; bit 1: also with the mask
// syntax bytes, to drive the two-byte paths through sets and stars), one byte
// giving the mask's share of the rest, then the mask bytes, then the text.
//
// Checks: compiling either succeeds with a well-formed step list or fails
// with a position inside the mask (or one past it) and the exact message;
// matching agrees with the plain backtracking matcher whenever that one
// finishes within its budget, and ignores everything after a NUL.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/masks.h"
#include "text/masks_reference.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "masks_fuzz: %s\n", what);
    std::abort();
  }
}

void CheckSteps(const std::vector<stanzo::MaskStep>& steps) {
  using stanzo::StepKind;
  Check(!steps.empty(), "no steps");
  const stanzo::MaskStep& end = steps.back();
  Check(end.Kind == StepKind::Literal && end.Ch == 0, "last step is not the end step");
  int stars = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    const stanzo::MaskStep& s = steps[i];
    stars += s.FollowsStar;
    switch (s.Kind) {
      case StepKind::Literal:
        Check(s.Ch != 0 || i + 1 == steps.size(), "NUL literal before the end");
        Check(s.Ch < 'a' || s.Ch > 'z', "literal not folded");
        break;
      case StepKind::AnyOne:
        Check(!s.FollowsStar, "AnyOne after a star");
        break;
      case StepKind::MemberSet:
        Check(s.Members.any() && !s.Members[0], "empty set or NUL member");
        break;
      case StepKind::BytePair:
        Check(stanzo::LeadByteSet()[s.First] && s.Second != 0, "bad pair");
        break;
    }
  }
  Check(stars <= stanzo::MaxStarSteps, "star limit passed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const size_t rest = size - 2;
  const size_t mask_len = data[1] % (rest + 1);
  const std::string mask(reinterpret_cast<const char*>(data + 2), mask_len);
  const std::string text(reinterpret_cast<const char*>(data + 2 + mask_len), rest - mask_len);

  std::bitset<256>& lead = stanzo::LeadByteSet();
  lead.reset();
  if (flags & 1) {
    for (int b = 0x81; b <= 0x9F; ++b) lead.set(b);
    for (int b = 0xE0; b <= 0xFC; ++b) lead.set(b);
  }
  if (flags & 2) {
    for (unsigned char b : std::string_view("[]-!*?\\")) lead.set(b);
  }

  const std::string read = mask.substr(0, mask.find('\0'));
  try {
    const stanzo::TMask compiled(mask);
    CheckSteps(compiled.Steps());
    const bool fits = compiled.Accepts(text);
    const std::optional<bool> want =
        stanzo::testing::ReferenceAccepts(compiled.Steps(), text, 2000);
    Check(!want || *want == fits, "disagrees with the plain matcher");
    Check(compiled.Accepts(text + '\0' + mask) == fits, "read past a NUL in the text");
    Check(stanzo::LineMatchesMask(text, mask) == fits, "LineMatchesMask differs");
  } catch (const stanzo::InvalidMask& e) {
    const int pos = e.Position();
    Check(pos >= 1 && static_cast<size_t>(pos) <= read.size() + 1, "error position out of range");
    const std::string msg = "'" + read + "' is an invalid mask at (" + std::to_string(pos) + ")";
    Check(msg == e.what(), "wrong message");
  }
  lead.reset();
  return 0;
}
