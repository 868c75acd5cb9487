#include "presentation/lyric_search.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace stanzo {
namespace {

TEST(LyricSearchTest, FindAfterCaret) {
  const std::string e = "\xC3\xA9", E = "\xC3\x89";  // e acute, small and capital
  struct Case {
    std::string name, text;
    size_t caret;
    std::string needle;
    std::optional<size_t> at;
  };
  const std::vector<Case> cases = {
      {"first match starts at the caret", "abc abc", 0, "ABC", 4},
      {"after a match", "abc abc", 4, "abc", std::nullopt},
      {"match right after the caret", "xabc", 0, "AbC", 1},
      {"first character never found", "abc", 0, "abc", std::nullopt},
      {"caret at the end", "abc", 3, "c", std::nullopt},
      {"caret past the end", "abc", 10, "c", std::nullopt},
      {"empty needle", "abc", 0, "", std::nullopt},
      {"non-ASCII is exact", "x" + E, 0, e, std::nullopt},
      {"non-ASCII same case", "x" + E + "!", 0, E, 1},
      {"multi-byte caret skipped whole", e + "z", 0, "\xA9z", std::nullopt},
      {"offset after a multi-byte caret", e + "ab", 0, "B", 3},
      {"ASCII folding around non-ASCII", "--" + e + "XY", 1, e + "xy", 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindAfterCaret(c.text, c.caret, c.needle), c.at) << c.name;
  }
}

// An editor with scripted operator answers; records what it was asked.
class FakeView : public SearchView {
 public:
  std::string text;
  size_t selStart = 0, selLength = 0;
  std::optional<std::string> answer;  // nothing: Cancel
  bool wrapAnswer = true;
  bool caretFollows = true;  // false: SetSelection is ignored

  std::vector<std::string> proposals;
  int wrapQuestions = 0, notFound = 0;

  std::string Text() const override { return text; }
  std::string SelectedText() const override { return text.substr(selStart, selLength); }
  size_t SelectionStart() const override { return selStart; }
  void SetSelection(size_t start, size_t length) override {
    if (!caretFollows) return;
    selStart = start;
    selLength = length;
  }
  bool PromptSearchText(const std::string& proposal, std::string* out) override {
    proposals.push_back(proposal);
    if (!answer) return false;
    *out = *answer;
    return true;
  }
  bool ConfirmWrap() override {
    ++wrapQuestions;
    return wrapAnswer;
  }
  void ShowNotFound() override { ++notFound; }
};

TEST(LyricSearchTest, FindThenFindAgainWraps) {
  FakeView view;
  view.text = "abc abc";
  view.answer = "ABC";
  LyricSearch search;
  search.Search(view, true);
  EXPECT_EQ(view.selStart, 4u);
  EXPECT_EQ(view.selLength, 3u);
  EXPECT_EQ(search.LastSearchText(), "ABC");

  search.Search(view, false);  // nothing after offset 4: wrap, and the same match again
  EXPECT_EQ(view.wrapQuestions, 1);
  EXPECT_EQ(view.notFound, 0);
  EXPECT_EQ(view.selStart, 4u);
  EXPECT_EQ(view.selLength, 3u);

  view.wrapAnswer = false;
  search.Search(view, false);
  EXPECT_EQ(view.wrapQuestions, 2);
  EXPECT_EQ(view.selStart, 4u);
}

TEST(LyricSearchTest, NotFoundOutcomes) {
  struct Case {
    std::string name;
    size_t caret;
    std::string text;
    int wrapQuestions, notFound;
  };
  const std::vector<Case> cases = {
      {"at the top: plain message", 0, "nothing here", 0, 1},
      {"below: wrap, then message", 3, "nothing here", 1, 1},
      // A match at the very first character is skipped even after wrapping.
      {"only at offset 0", 4, "find me", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeView view;
    view.text = c.text;
    view.selStart = c.caret;
    view.answer = "find";
    LyricSearch search;
    search.Search(view, true);
    EXPECT_EQ(view.wrapQuestions, c.wrapQuestions);
    EXPECT_EQ(view.notFound, c.notFound);
  }
}

TEST(LyricSearchTest, WrapIsAskedOnceEvenIfTheCaretDoesNotMove) {
  FakeView view;
  view.text = "some text";
  view.selStart = 5;
  view.caretFollows = false;
  view.answer = "absent";
  LyricSearch search;
  search.Search(view, true);
  EXPECT_EQ(view.wrapQuestions, 1);
  EXPECT_EQ(view.notFound, 1);
}

TEST(LyricSearchTest, PromptProposalAndCancel) {
  FakeView view;
  view.text = "one two one two";
  LyricSearch search;

  view.answer = "two";
  search.Search(view, true);
  EXPECT_EQ(view.proposals.back(), "");  // nothing selected, nothing searched yet
  EXPECT_EQ(view.selStart, 4u);

  view.selLength = 0;
  view.answer = std::nullopt;  // Cancel
  search.Search(view, true);
  EXPECT_EQ(view.proposals.back(), "two");  // the last search text
  EXPECT_EQ(search.LastSearchText(), "two");
  EXPECT_EQ(view.selStart, 4u);

  view.answer = "";  // OK on an empty text: nothing happens either
  search.Search(view, true);
  EXPECT_EQ(search.LastSearchText(), "two");

  view.selStart = 0;
  view.selLength = 3;
  view.answer = "one";
  search.Search(view, true);
  EXPECT_EQ(view.proposals.back(), "one");  // the selected text
  EXPECT_EQ(view.selStart, 8u);
  EXPECT_EQ(view.wrapQuestions + view.notFound, 0);
}

TEST(LyricSearchTest, FindAgainWithNothingSearchedDoesNothing) {
  FakeView view;
  view.text = "abc";
  LyricSearch search;
  search.Search(view, false);
  EXPECT_TRUE(view.proposals.empty());
  EXPECT_EQ(view.wrapQuestions + view.notFound, 0);
}

}  // namespace
}  // namespace stanzo
