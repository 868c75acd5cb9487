#include "text/item_list.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace stanzo {
namespace {

using Items = std::vector<std::string>;

TEST(RecordNewest, HistoryRule) {
  struct Case {
    Items before;
    std::string text;
    int cap;
    Items after;
    int selected;  // -1: Select was not called
  };
  const Case cases[] = {
      {{}, "a", 100, {"a"}, 0},
      {{}, "", 100, {}, -1},  // an empty list's item 0 is empty
      {{"a", "b"}, "a", 100, {"a", "b"}, -1},
      {{"a", "b"}, "b", 100, {"b", "a", "b"}, 0},     // only item 0 is compared
      {{"A"}, "a", 100, {"a", "A"}, 0},               // case counts
      {{"a "}, "a", 100, {"a", "a "}, 0},             // so do blanks
      {{"1", "2", "3"}, "x", 2, {"x", "1", "2"}, 0},  // more than cap: index cap goes
      {{"1", "2"}, "x", 2, {"x", "1", "2"}, 0},       // cap items: nothing goes
      {{"1", "2", "3", "4"}, "x", 2, {"x", "1", "2", "4"}, 0},
  };
  for (const Case& c : cases) {
    VectorItemList list;
    list.items = c.before;
    RecordNewest(list, c.text, c.cap);
    EXPECT_EQ(list.items, c.after) << "text " << c.text;
    EXPECT_EQ(list.selected, c.selected) << "text " << c.text;
  }
}

TEST(TrimTo, DropsFromTheEnd) {
  struct Case {
    Items before;
    int maxCount;
    Items after;
  };
  const Case cases[] = {
      {{"a", "b", "c"}, 2, {"a", "b"}},
      {{"a", "b"}, 0, {}},
      {{"a"}, 5, {"a"}},
      {{}, 0, {}},
  };
  for (const Case& c : cases) {
    VectorItemList list;
    list.items = c.before;
    TrimTo(list, c.maxCount);
    EXPECT_EQ(list.items, c.after);
  }
}

}  // namespace
}  // namespace stanzo
