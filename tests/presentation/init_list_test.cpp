#include "presentation/init_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "presentation/fakes.h"
#include "text/masks.h"

namespace stanzo {
namespace {

using testing::FakeLines;
using Sent = std::vector<std::string>;

Sent RunOver(const std::vector<std::string>& lines, const std::string& mask) {
  FakeLines source(lines);
  Sent sent;
  RunInitCommands(source, mask, [&](const std::string& text) { sent.push_back(text); });
  return sent;
}

TEST(InitListTest, MasksSelectTheLinesToSend) {
  const Sent all = DefaultInitLines();
  const Sent m2 = {"@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-refresh 100"};
  struct Case {
    std::string mask;
    Sent sent;
  };
  const std::vector<Case> cases = {
      {"*", all}, {"@m2*", m2}, {"@M2*", m2}, {"*refresh*", {all[2], all[5]}}, {"xyz*", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    EXPECT_EQ(RunOver(all, c.mask), c.sent);
  }
}

TEST(InitListTest, DefaultsAreTheSixOverlayCommands) {
  EXPECT_EQ(DefaultInitLines(),
            (Sent{"@m1 marq-position 0", "@m1 marq-size 50", "@m1 marq-refresh 100",
                  "@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-refresh 100"}));
}

TEST(InitListTest, InvalidMaskThrowsAtTheFirstLineBeforeSending) {
  // A list of empty lines still has lines to judge; a list without lines
  // has none, so an invalid mask goes unreported.
  for (const Sent& lines : {DefaultInitLines(), Sent{""}, Sent{}}) {
    SCOPED_TRACE(lines.size());
    Sent sent;
    FakeLines source(lines);
    const auto run = [&] {
      RunInitCommands(source, "[a-", [&](const std::string& t) { sent.push_back(t); });
    };
    if (lines.empty()) {
      EXPECT_NO_THROW(run());
    } else {
      EXPECT_THROW(run(), InvalidMask);
    }
    EXPECT_TRUE(sent.empty());
  }
}

TEST(InitListTest, EmptyLinesAreNeverSentAndLongLinesGoWhole) {
  const std::string longLine = "@m1 marq-marquee " + std::string(5000, 'x');
  EXPECT_EQ(RunOver({"", "@a", "", longLine, ""}, "*"), (Sent{"@a", longLine}));
}

TEST(InitListTest, LinesAreReadWhenSent) {
  // Edits made while earlier lines are being sent: an edited line goes out
  // as edited, a line added after the start is not part of this run, and a
  // list that shrank ends the run.
  struct Case {
    std::string name;
    std::function<void(std::vector<std::string>&, const std::string&)> edit;
    Sent sent;
  };
  const std::vector<Case> cases = {
      {"edited",
       [](auto& lines, const std::string& t) {
         if (t == "@one") lines[1] = "@edited";
       },
       {"@one", "@edited", "@three"}},
      {"appended",
       [](auto& lines, const std::string& t) {
         if (t == "@one") lines.push_back("@added");
       },
       {"@one", "@two", "@three"}},
      {"shrunk",
       [](auto& lines, const std::string& t) {
         if (t == "@one") lines.resize(2);
       },
       {"@one", "@two"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeLines source({"@one", "@two", "@three"});
    Sent sent;
    RunInitCommands(source, "*", [&](const std::string& text) {
      sent.push_back(text);
      c.edit(source.lines, text);
    });
    EXPECT_EQ(sent, c.sent);
  }
}

TEST(InitListTest, SendFailureStopsTheRun) {
  FakeLines source(DefaultInitLines());
  Sent sent;
  EXPECT_THROW(RunInitCommands(source, "*",
                               [&](const std::string& text) {
                                 if (sent.size() == 2) throw std::runtime_error("link down");
                                 sent.push_back(text);
                               }),
               std::runtime_error);
  EXPECT_EQ(sent.size(), 2u);
}

TEST(InitListTest, MaskHelpIsFiveLinesJoinedByLoneCarriageReturns) {
  const std::string help = MaskHelpText();
  EXPECT_EQ(help.find('\n'), std::string::npos);
  Sent lines;
  size_t from = 0;
  for (size_t cr; (cr = help.find('\r', from)) != std::string::npos; from = cr + 1)
    lines.push_back(help.substr(from, cr - from));
  lines.push_back(help.substr(from));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines.front(), "? = Matches 0 or 1 characters.");
  EXPECT_EQ(lines.back(),
            "[a-c] = Matches any one of a range of characters from a to b inclusive.");
}

}  // namespace
}  // namespace stanzo
