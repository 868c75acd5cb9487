#include "presentation/lyric_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace stanzo {
namespace {

TEST(LyricQueueTest, SampleScriptKeepsItsSpacesAndBackslashes) {
  const std::vector<std::string> s = SampleScript();
  ASSERT_EQ(s.size(), 17u);
  EXPECT_EQ(s[0], "This is the first line of the ");
  EXPECT_EQ(s[5], s[0]);
  EXPECT_EQ(s[2], "This is the 2nd line of the");
  for (int blank : {4, 9, 13}) EXPECT_EQ(s[blank], "") << blank;
  for (int lone : {10, 14}) EXPECT_EQ(s[lone], "\\") << lone;
  EXPECT_EQ(s[12], "Where from\\");
  EXPECT_EQ(s[16], "Where from\\");
  EXPECT_EQ(s[15], "Another Speaker");
}

TEST(LyricQueueTest, QueueIndexForCaret) {
  struct Case {
    int caret, count, index;
  };
  for (const Case& c :
       {Case{0, 17, 0}, Case{16, 17, 16}, Case{17, 17, -1}, Case{0, 0, -1}, Case{-1, 5, -1}}) {
    EXPECT_EQ(QueueIndexForCaret(c.caret, c.count), c.index) << c.caret << "/" << c.count;
  }
}

}  // namespace
}  // namespace stanzo
