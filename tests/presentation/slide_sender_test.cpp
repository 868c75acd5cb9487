#include "presentation/slide_sender.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "presentation/fakes.h"
#include "presentation/init_list.h"
#include "presentation/lyric_queue.h"
#include "text/masks.h"

namespace stanzo {
namespace {

using testing::FakeLines;
using testing::FakeQueue;
using Sent = std::vector<std::string>;

// A queue, a recording link and the default init list, wired the way the
// window wires them. `onSend` runs inside each send, where the window would
// process pending events; it may throw to play a dropped link.
struct Rig {
  explicit Rig(std::vector<std::string> lines, int selected = 0)
      : queue(std::move(lines), selected) {}

  FakeQueue queue;
  FakeLines init{DefaultInitLines()};
  Sent sent;
  std::vector<std::string> masks;
  std::function<void(const std::string&)> onSend;
  SlideSender sender{queue,
                     [this](const std::string& text) {
                       if (onSend) onSend(text);
                       sent.push_back(text);
                     },
                     [this](const std::string& mask) {
                       masks.push_back(mask);
                       RunInitCommands(init, mask, [this](const std::string& text) {
                         if (onSend) onSend(text);
                         sent.push_back(text);
                       });
                     }};

  Sent Press() {
    sent.clear();
    sender.SendSlide();
    return sent;
  }
  Sent Back() {
    sent.clear();
    sender.SlideBack();
    return sent;
  }
};

const std::vector<std::string> kExample = {"A", "B$_C", "", "@m1 marq-size 30\\", "D", "E\\", "F"};

TEST(SlideSenderTest, FivePressesOverEveryLineForm) {
  struct Step {
    Sent sent;
    int selected;
  };
  const std::vector<Step> steps = {
      {{"@m1 marq-marquee A", "@m2 marq-marquee BC"}, 1},
      {{"@m1 marq-marquee B$_C", "@m2 marq-marquee $_"}, 2},
      {{"@m1 marq-marquee $_", "@m2 marq-marquee D"}, 3},
      {{"@m1 marq-size 30", "@m1 marq-marquee D", "@m2 marq-marquee E"}, 5},
      {{"@m1 marq-marquee $_", "@m2 marq-marquee $_", "@m1 marq-marquee F", "@m2 marq-marquee $_"},
       -1},
      {{}, -1},  // past the end nothing is selected, so nothing goes out
  };
  Rig rig(kExample);
  for (size_t n = 0; n < steps.size(); ++n) {
    SCOPED_TRACE("press " + std::to_string(n + 1));
    EXPECT_EQ(rig.Press(), steps[n].sent);
    EXPECT_EQ(rig.queue.Selected(), steps[n].selected);
  }
}

TEST(SlideSenderTest, BackResendsTheStartOfThePreviousSlide) {
  struct Case {
    int selected;
    Sent sent;
    int after;
  };
  const std::vector<Case> cases = {
      // Lands on "D", then on the chained "@..." line, which walks on up to
      // the empty line 2.
      {5, {"@m1 marq-marquee $_", "@m2 marq-marquee D"}, 3},
      {1, {"@m1 marq-marquee A", "@m2 marq-marquee BC"}, 1},
      {0, {"@m1 marq-marquee A", "@m2 marq-marquee BC"}, 1},
      {-1, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("selected " + std::to_string(c.selected));
    Rig rig(kExample, c.selected);
    EXPECT_EQ(rig.Back(), c.sent);
    EXPECT_EQ(rig.queue.Selected(), c.after);
  }
}

TEST(SlideSenderTest, StepBackStopsOnLineZeroEvenIfItChains) {
  Rig rig({"\\", "\\", "x"}, 2);
  rig.sender.StepBackOneSlide();
  EXPECT_EQ(rig.queue.Selected(), 0);
}

TEST(SlideSenderTest, InitLinesReRunTheMatchingInitCommands) {
  const Sent m2 = {"@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-refresh 100"};
  struct Case {
    std::string line;
    Sent sent;
    int after;
  };
  const std::vector<Case> cases = {
      {"{init}@m2*", m2, 1},
      {"{INIT}@M2*", m2, 1},
      {"{Init}*m1*", {"@m1 marq-position 0", "@m1 marq-size 50", "@m1 marq-refresh 100"}, 1},
      {"{INIT}nothing", {}, 1},
      // A chained init line is followed at once by the next line.
      {"{INIT}@m2*\\", {m2[0], m2[1], m2[2], "@m1 marq-marquee next", "@m2 marq-marquee $_"}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Rig rig({c.line, "next"});
    EXPECT_EQ(rig.Press(), c.sent);
    EXPECT_EQ(rig.queue.Selected(), c.after);
  }
}

TEST(SlideSenderTest, NothingSelectedSendsNothing) {
  Rig rig(kExample, -1);
  EXPECT_EQ(rig.Press(), Sent{});
  EXPECT_EQ(rig.Back(), Sent{});
  EXPECT_EQ(rig.queue.Selected(), -1);
}

TEST(SlideSenderTest, FailuresLeaveTheSelectionOnTheFailingLine) {
  struct Case {
    std::string name;
    std::vector<std::string> lines;
    int failAt;  // 0-based send that throws; -1 for none
    int after;
    Sent sentBefore;
  };
  const std::vector<Case> cases = {
      {"main text", {"A", "B"}, 0, 0, {}},
      {"preview", {"A", "B"}, 1, 0, {"@m1 marq-marquee A"}},
      {"raw", {"@x", "B"}, 0, 0, {}},
      // The chain got past line 0; line 1 failed and stays selected.
      {"inside a chain", {"@x\\", "B"}, 1, 1, {"@x"}},
      {"init line", {"{INIT}*", "B"}, 2, 0, {"@m1 marq-position 0", "@m1 marq-size 50"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Rig rig(c.lines);
    int calls = 0;
    rig.onSend = [&](const std::string&) {
      if (calls++ == c.failAt) throw std::runtime_error("link down");
    };
    EXPECT_THROW(rig.Press(), std::runtime_error);
    EXPECT_EQ(rig.sent, c.sentBefore);
    EXPECT_EQ(rig.queue.Selected(), c.after);
  }
}

TEST(SlideSenderTest, FailedLineGoesOutAgainOnTheNextPress) {
  Rig rig({"A", "B"});
  rig.onSend = [](const std::string&) { throw std::runtime_error("link down"); };
  EXPECT_THROW(rig.Press(), std::runtime_error);
  rig.onSend = nullptr;
  EXPECT_EQ(rig.Press(), (Sent{"@m1 marq-marquee A", "@m2 marq-marquee B"}));
  EXPECT_EQ(rig.queue.Selected(), 1);
}

TEST(SlideSenderTest, InvalidMaskSendsNothingAndKeepsTheSelection) {
  Rig rig({"A", "{INIT}[a-", "B"}, 1);
  EXPECT_THROW(rig.Press(), InvalidMask);
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_EQ(rig.queue.Selected(), 1);

  // With no init lines there is nothing to judge: the press goes on.
  rig.init.lines.clear();
  EXPECT_EQ(rig.Press(), Sent{});
  EXPECT_EQ(rig.queue.Selected(), 2);
}

TEST(SlideSenderTest, SampleScriptSpeakerAndWhereFrom) {
  const std::vector<std::string> script = SampleScript();
  ASSERT_EQ(script[11], "Speaker");
  Rig rig(script, 10);
  // The lone "\" blanks both overlays and the speaker follows at once.
  EXPECT_EQ(rig.Press(), (Sent{"@m1 marq-marquee $_", "@m2 marq-marquee $_",
                               "@m1 marq-marquee Speaker", "@m2 marq-marquee Where from"}));
  EXPECT_EQ(rig.queue.Selected(), 12);
  // "Where from\" blanks both and goes on to the empty line, whose preview
  // (the lone "\") is blank too.
  EXPECT_EQ(rig.Press(), (Sent{"@m1 marq-marquee $_", "@m2 marq-marquee $_", "@m1 marq-marquee $_",
                               "@m2 marq-marquee $_"}));
  EXPECT_EQ(rig.queue.Selected(), 14);
}

TEST(SlideSenderTest, PreviewRules) {
  const std::string e_acute = "\xC3\xA9";
  struct Case {
    std::string name;
    std::vector<std::string> lines;
    std::string preview;
  };
  const std::vector<Case> cases = {
      {"line breaks removed", {"x", "a$_b$_c"}, "abc"},
      {"single pass removal", {"x", "$$__"}, "$_"},
      {"commands skipped", {"x", "@cmd", "{iNiT}*", "next"}, "next"},
      {"empty line stops the search", {"x", "@cmd", "", "later"}, ""},
      {"none left", {"x", "@cmd"}, ""},
      {"trailing backslash dropped", {"x", "y\\"}, "y"},
      {"cut to 999 bytes", {"x", std::string(1200, 'p')}, std::string(999, 'p')},
      {"cut then backslash dropped",
       {"x", std::string(998, 'p') + "\\tail"},
       std::string(998, 'p')},
      {"cut never splits a character",
       {"x", std::string(998, 'p') + e_acute + "more"},
       std::string(998, 'p')},
      {"character ending at the limit kept",
       {"x", std::string(997, 'p') + e_acute + "more"},
       std::string(997, 'p') + e_acute},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeLines lines(c.lines);
    EXPECT_EQ(PreviewAfter(lines, 0), c.preview);
  }
}

TEST(SlideSenderTest, MainTextIsSentWhole) {
  const std::string longLine(5000, 'w');
  Rig rig({longLine, "@" + longLine});
  EXPECT_EQ(rig.Press()[0], "@m1 marq-marquee " + longLine);
  EXPECT_EQ(rig.Press(), Sent{"@" + longLine});
}

TEST(SlideSenderTest, MaskIsCutTo999BytesOnACharacterBoundary) {
  const std::string e_acute = "\xC3\xA9";
  struct Case {
    std::string line;
    std::string mask;
  };
  const std::vector<Case> cases = {
      {"{INIT}" + std::string(1200, 'm'), std::string(999, 'm')},
      {"{INIT}" + std::string(998, 'm') + e_acute, std::string(998, 'm')},
      {"{INIT}" + std::string(999, 'm') + "\\", std::string(999, 'm')},
      {"{INIT}", ""},
  };
  for (const Case& c : cases) {
    Rig rig({c.line});
    rig.init.lines.clear();
    rig.Press();
    ASSERT_EQ(rig.masks.size(), 1u);
    EXPECT_EQ(rig.masks[0], c.mask);
  }
}

TEST(SlideSenderTest, LongChainRunsWithoutRecursion) {
  constexpr int kChain = 100000;
  FakeQueue queue(std::vector<std::string>(kChain, "\\"), 0);
  queue.lines.push_back("end");
  size_t sends = 0;
  std::string last;
  SlideSender sender(
      queue,
      [&](const std::string& text) {
        ++sends;
        last = text;
      },
      [](const std::string&) {});
  sender.SendSlide();
  EXPECT_EQ(sends, 2u * (kChain + 1));
  EXPECT_EQ(last, "@m2 marq-marquee $_");
  EXPECT_EQ(queue.Selected(), -1);
}

TEST(SlideSenderTest, SelectionMovedDuringASendIsKept) {
  // Chained line: the chain ends; the operator's line is the next to send.
  {
    Rig rig({"A\\", "B", "C", "D"});
    rig.onSend = [&](const std::string& text) {
      if (text == "@m1 marq-marquee $_") rig.queue.Select(2);
    };
    EXPECT_EQ(rig.Press(), (Sent{"@m1 marq-marquee $_", "@m2 marq-marquee $_"}));
    EXPECT_EQ(rig.queue.Selected(), 2);
  }
  // Plain line: the operator's line is the next to send.
  {
    Rig rig({"A", "B", "C", "D"});
    rig.onSend = [&](const std::string&) { rig.queue.Select(3); };
    EXPECT_EQ(rig.Press(), (Sent{"@m1 marq-marquee A", "@m2 marq-marquee B"}));
    EXPECT_EQ(rig.queue.Selected(), 3);
  }
  // Selection cleared mid-chain: the chain stops.
  {
    Rig rig({"@x\\", "B"});
    rig.onSend = [&](const std::string&) { rig.queue.Select(-1); };
    EXPECT_EQ(rig.Press(), Sent{"@x"});
    EXPECT_EQ(rig.queue.Selected(), -1);
  }
}

TEST(SlideSenderTest, PressesDuringASendAreIgnored) {
  for (bool back : {false, true}) {
    SCOPED_TRACE(back ? "back" : "slide");
    Rig rig({"A\\", "B", "C"});
    bool pressed = false;
    rig.onSend = [&](const std::string&) {
      if (pressed) return;
      pressed = true;
      back ? rig.sender.SlideBack() : rig.sender.SendSlide();
    };
    EXPECT_EQ(rig.Press(), (Sent{"@m1 marq-marquee $_", "@m2 marq-marquee $_", "@m1 marq-marquee B",
                                 "@m2 marq-marquee C"}));
    EXPECT_EQ(rig.queue.Selected(), 2);
  }
}

TEST(SlideSenderTest, ChainOfCommandsEndingTheQueueClearsTheSelection) {
  Rig rig({"@a\\", "@b\\"});
  EXPECT_EQ(rig.Press(), (Sent{"@a", "@b"}));
  EXPECT_EQ(rig.queue.Selected(), -1);
}

}  // namespace
}  // namespace stanzo
