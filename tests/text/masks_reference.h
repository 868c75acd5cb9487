// The plain backtracking matcher, kept as the oracle for TMask::Accepts: a
// resume stack of (position, step) pairs, every failure resumes the most
// recent pair, and nothing is memoised. Exhaustive, so its answers are the
// definition of "fits"; its running time can be combinatorial in the number
// of stars, hence the attempt budget.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "text/masks.h"

namespace stanzo::testing {

// Matches `text` (up to its first NUL) against compiled `steps`. Returns
// nullopt when more than `max_attempts` attempts would be needed.
std::optional<bool> ReferenceAccepts(const std::vector<MaskStep>& steps, std::string_view text,
                                     uint64_t max_attempts = UINT64_MAX);

}  // namespace stanzo::testing
