// Text search in the lyric editor (Ctrl+F, Ctrl+F3).
//
// Offsets are byte offsets into the editor's UTF-8 text; the GUI converts
// them to and from its own positions. Only ASCII letters are folded.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace stanzo {

// Searches `needle` in `text` after the character that starts at byte
// offset `selStart` (that character is skipped). Returns the byte offset of
// the match, or nothing.
std::optional<size_t> FindAfterCaret(std::string_view text, size_t selStart,
                                     std::string_view needle);

// What the search needs of the editor and of the operator.
class SearchView {
 public:
  virtual ~SearchView() = default;
  virtual std::string Text() const = 0;
  virtual std::string SelectedText() const = 0;
  virtual size_t SelectionStart() const = 0;
  virtual void SetSelection(size_t start, size_t length) = 0;
  // The "Text Search" prompt, pre-filled with `proposal`; false on Cancel.
  virtual bool PromptSearchText(const std::string& proposal, std::string* answer) = 0;
  // "Search text not found.  Do you want to try again from the top of the document?"
  virtual bool ConfirmWrap() = 0;
  // "Search text not found."
  virtual void ShowNotFound() = 0;
};

class LyricSearch {
 public:
  // Ctrl+F when `interactive`, Ctrl+F3 (find again) otherwise.
  void Search(SearchView& view, bool interactive);
  const std::string& LastSearchText() const { return last_; }

 private:
  std::string last_;
};

}  // namespace stanzo
