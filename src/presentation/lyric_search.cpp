#include "presentation/lyric_search.h"

#include "text/ascii.h"

namespace stanzo {
namespace {

// Bytes taken by the UTF-8 character that starts at `at` (1 for a stray or
// malformed byte, so the search always moves on by at least one byte).
size_t CharLength(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t want = 1;
  if (lead >= 0xF0 && lead <= 0xF7) {
    want = 4;
  } else if (lead >= 0xE0) {
    want = lead <= 0xEF ? 3 : 1;
  } else if (lead >= 0xC0) {
    want = 2;
  }
  size_t len = 1;
  while (len < want && at + len < text.size() &&
         (static_cast<unsigned char>(text[at + len]) & 0xC0) == 0x80)
    ++len;
  return len;
}

}  // namespace

std::optional<size_t> FindAfterCaret(std::string_view text, size_t selStart,
                                     std::string_view needle) {
  if (needle.empty() || selStart >= text.size()) return std::nullopt;
  const size_t from = selStart + CharLength(text, selStart);
  const std::string tail = LowerAscii(text.substr(from));
  const size_t at = tail.find(LowerAscii(needle));
  if (at == std::string::npos) return std::nullopt;
  return from + at;
}

void LyricSearch::Search(SearchView& view, bool interactive) {
  std::string needle;
  if (interactive) {
    std::string proposal = view.SelectedText();
    if (proposal.empty()) proposal = last_;
    if (!view.PromptSearchText(proposal, &needle)) return;  // Cancel: keep last_
  } else {
    needle = last_;
  }
  if (needle.empty()) return;
  last_ = needle;

  // At most one wrap to the top: after it the search runs from offset 0,
  // and a miss there is final even if the view did not move its caret.
  bool wrapped = false;
  for (;;) {
    const size_t start = wrapped ? 0 : view.SelectionStart();
    if (const auto at = FindAfterCaret(view.Text(), start, needle)) {
      view.SetSelection(*at, needle.size());
      return;
    }
    if (start == 0) {
      view.ShowNotFound();
      return;
    }
    if (!view.ConfirmWrap()) return;
    view.SetSelection(0, 0);
    wrapped = true;
  }
}

}  // namespace stanzo
