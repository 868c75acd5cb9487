// Where dropped or chosen songs go into the lyric script.
#include <gtest/gtest.h>

#include "console/song_insert.h"

namespace stanzo {
namespace {

TEST(SongInsert, GoesInAtTheCaretsLineWithEmptyLinesAround) {
  const std::vector<std::vector<std::string>> two = {{"a1", "a2"}, {"b1"}};
  struct Case {
    const char* name;
    std::string text;
    size_t caret;
    std::string result;  // the text after the insert, "|" where the caret ends
  };
  const Case cases[] = {
      {"empty script", "", 0, "|a1\na2\n\nb1\n"},
      {"before a line", "x\ny\n", 2, "x\n\n|a1\na2\n\nb1\n\ny\n"},
      {"caret inside the line", "x\nyyy\n", 4, "x\n\n|a1\na2\n\nb1\n\nyyy\n"},
      {"between empty lines", "x\n\n\ny", 3, "x\n\n|a1\na2\n\nb1\n\ny"},
      {"first line", "x", 1, "|a1\na2\n\nb1\n\nx"},
      {"after the last break", "x\n", 2, "x\n\n|a1\na2\n\nb1\n"},
      {"caret past the end", "x\n", 99, "x\n\n|a1\na2\n\nb1\n"},
  };
  for (const Case& c : cases) {
    const TextInsert insert = SongInsert(c.text, c.caret, two);
    std::string after = c.text;
    after.insert(insert.offset, insert.text);
    after.insert(insert.caret, "|");
    EXPECT_EQ(after, c.result) << c.name;
  }
  EXPECT_EQ(SongInsert("x\ny", 2, {}).text, "");
}

}  // namespace
}  // namespace stanzo
