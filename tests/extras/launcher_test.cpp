#include "extras/launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extras/dos.h"

namespace stanzo {
namespace {

TEST(LauncherTest, DefaultCommandSplitsIntoAnAbsoluteProgram) {
  const auto words = SplitCommandLine(DefaultLaunchCommand());
  ASSERT_TRUE(words.has_value());
  ASSERT_GE(words->size(), 2u);
  EXPECT_EQ(words->front().front(), '/');
  for (const auto& w : *words) EXPECT_EQ(w.find('"'), std::string::npos) << w;
}

TEST(LauncherTest, DefaultCommandPlaysTheInstalledBlackPicture) {
  struct {
    const char* dataHome;
    const char* lastWord;
  } cases[] = {
      {"/home/op/.local/share", "/home/op/.local/share/stanzo/stanzo_black.png"},
      {"/home/my op/data", "/home/my op/data/stanzo/stanzo_black.png"},
      {"", "--no-video-title-show"},  // no home: nothing to play
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dataHome);
    const auto words = SplitCommandLine(DefaultLaunchCommand(c.dataHome));
    ASSERT_TRUE(words.has_value());
    EXPECT_EQ(words->back(), c.lastWord);
  }
}

TEST(LauncherTest, HistoryKeepsTheTenNewestAcrossRuns) {
  VectorItemList history;
  history.items = {DefaultLaunchCommand()};
  history.Select(0);

  // Running the default as it stands changes nothing.
  RecordLaunch(history, DefaultLaunchCommand());
  EXPECT_EQ(history.items, std::vector<std::string>{DefaultLaunchCommand()});

  for (int i = 1; i <= 12; ++i) RecordLaunch(history, "player " + std::to_string(i));
  EXPECT_EQ(history.Count(), 13);
  EXPECT_EQ(history.selected, 0);

  // Running the newest again leaves the list as it is.
  const std::vector<std::string> before = history.items;
  RecordLaunch(history, "player 12");
  EXPECT_EQ(history.items, before);

  TrimTo(history, kLaunchHistoryKept);
  std::vector<std::string> want;
  for (int i = 12; i >= 3; --i) want.push_back("player " + std::to_string(i));
  EXPECT_EQ(history.items, want);
}

TEST(LauncherTest, HistoryHoldsAtMostOneHundredAndOneDuringARun) {
  VectorItemList history;
  for (int i = 0; i < 150; ++i) RecordLaunch(history, "cmd " + std::to_string(i));
  EXPECT_EQ(history.Count(), kLaunchHistoryCap + 1);
  EXPECT_EQ(history.Item(0), "cmd 149");
  EXPECT_EQ(history.Item(kLaunchHistoryCap), "cmd 49");
}

}  // namespace
}  // namespace stanzo
