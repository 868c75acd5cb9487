#include "presentation/lyric_search.h"

#include "base/utf8.h"
#include "text/ascii.h"

namespace stanzo {
std::optional<size_t> FindAfterCaret(std::string_view text, size_t selStart,
                                     std::string_view needle) {
  if (needle.empty() || selStart >= text.size()) return std::nullopt;
  const size_t from = selStart + Utf8CharLength(text, selStart);
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
