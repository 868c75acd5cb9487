#include "stage/stage_dialect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stage/overlay_cases.h"

namespace stanzo::stage {
namespace {

std::string Answer(const std::string& text) {
  return text + "\r\n> ";
}

std::string Unknown(const std::string& word) {
  return Answer("Unknown command `" + word + "'. Type `help' for help.");
}

// The state of the three marquees in the words of the shared cases.
overlaycases::State StateOf(const Dialect& d) {
  overlaycases::State s;
  for (int i = 0; i < kMarqueeCount; ++i) {
    const Marquee& m = d.marquee(i);
    const std::string p = "m" + std::to_string(i + 1) + ".";
    s[p + "text"] = m.text;
    s[p + "position"] = std::to_string(m.position);
    s[p + "size"] = std::to_string(m.size);
    s[p + "color"] = std::to_string(m.color);
    s[p + "opacity"] = std::to_string(m.opacity);
    s[p + "x"] = std::to_string(m.x);
    s[p + "y"] = std::to_string(m.y);
    s[p + "refresh"] = std::to_string(m.refresh_ms);
    s[p + "timeout"] = std::to_string(m.timeout_ms);
  }
  return s;
}

// The cases the VLC bridge passes too, fed as the server feeds lines: whole
// lines through the line assembler, over-long ones answered by it.
TEST(StageDialect, FollowsTheSharedOverlayCases) {
  const auto cases = overlaycases::Load(STANZO_OVERLAY_CASES);
  ASSERT_GT(cases.size(), 50u);
  for (const overlaycases::Case& c : cases) {
    SCOPED_TRACE("overlay_cases.txt:" + std::to_string(c.file_line));
    Dialect d;
    LineAssembler lines;
    std::vector<LineAssembler::Event> events;
    for (const std::string& l : overlaycases::ResetLines()) lines.Feed(l + "\n", &events);
    for (const auto& e : events) ASSERT_EQ(d.Feed(e.line, 0).reply, kPrompt) << e.line;
    ASSERT_EQ(StateOf(d), overlaycases::StartState());
    for (const overlaycases::Exchange& x : c.exchanges) {
      events.clear();
      lines.Feed(x.line + "\n", &events);
      ASSERT_EQ(events.size(), 1u);
      const std::string reply =
          events[0].too_long ? Dialect::TooLongReply() : d.Feed(events[0].line, 0).reply;
      EXPECT_EQ(reply, x.reply) << x.line.substr(0, 60);
    }
    EXPECT_EQ(StateOf(d), overlaycases::Expected(c));
  }
}

struct ReplyCase {
  std::string line;
  std::string reply;
  int changed;
};

// What only the stage answers (lines for the player itself), and which
// marquee a line changed; the marquee rules are the shared cases above.
TEST(StageDialect, RepliesToEachKindOfLine) {
  const std::string refused = Answer("The line holds control characters; ignored.");
  const ReplyCase cases[] = {
      // Blank lines: just the prompt, as the player's CLI does.
      {"", "> ", -1},
      {"  \t ", "> ", -1},
      {"\r", "> ", -1},
      // Everything that is not "@..." is unknown here, quoted by first word.
      {"help", Unknown("help"), -1},
      {"play now", Unknown("play"), -1},
      {" \tpause", Unknown("pause"), -1},
      {"stop\r", Unknown("stop"), -1},
      {"marq-marquee @m1 x", Unknown("marq-marquee"), -1},
      {"caf\xc3\xa9 \xff", Unknown("caf\xc3\xa9"), -1},
      {std::string(300, 'z'), Unknown(std::string(256, 'z') + "..."), -1},
      // Control bytes refuse any line.
      {std::string("x\0y z", 5), refused, -1},
      {"a\x01\x7f\xff", refused, -1},
      {"stop\r\r", refused, -1},
      // Marquee commands: silent success, the index of the changed marquee.
      {"@m1 marq-marquee Hi", "> ", 0},
      {"@m2 marq-marquee", "> ", 1},
      {"@m3 marq-size 20", "> ", 2},
      {"@m1 marq-position 8\r", "> ", 0},
      {"  @m2   marq-opacity  128  ", "> ", 1},
      {"@m1 marq-timeout 0", "> ", 0},
      {"@m1 marq-refresh 100", "> ", -1},  // accepted, changes nothing visible
      {"@m4 marq-marquee x", Answer("Unknown marquee `m4'. Known: m1, m2, m3."), -1},
      {"@m1 marq-size", Answer("Missing value for `marq-size'."), -1},
  };
  for (const ReplyCase& c : cases) {
    Dialect d;
    const FeedResult r = d.Feed(c.line, 0);
    EXPECT_EQ(r.reply, c.reply) << "line: " << c.line;
    EXPECT_EQ(r.changed, c.changed) << "line: " << c.line;
  }
}

bool SameMarquee(const Marquee& a, const Marquee& b) {
  return a.text == b.text && a.position == b.position && a.size == b.size && a.color == b.color &&
         a.opacity == b.opacity && a.x == b.x && a.y == b.y && a.timeout_ms == b.timeout_ms &&
         a.refresh_ms == b.refresh_ms && a.shown_at_ms == b.shown_at_ms;
}

TEST(StageDialect, RejectsMalformedNumbersAndLeavesTheStateAlone) {
  const char* const bad[] = {
      "@m1 marq-size abc",    "@m1 marq-size 12abc",    "@m1 marq-size 0x",
      "@m1 marq-size 1 2",    "@m1 marq-size --3",      "@m1 marq-size 2001",
      "@m1 marq-position 16", "@m1 marq-position -2",   "@m1 marq-color -1",
      "@m1 marq-color 0xG",   "@m1 marq-refresh -1",    "@m1 marq-x 1e3",
      "@m1 marq-size +",      "@m1 marq-opacity 0x100", "@m1 marq-timeout 0x80000000",
  };
  for (const char* line : bad) {
    Dialect d;
    d.Feed("@m1 marq-marquee keep", 5);
    d.Feed("@m1 marq-size 30", 5);
    const Marquee before = d.marquee(0);
    const FeedResult r = d.Feed(line, 10);
    EXPECT_TRUE(r.reply.starts_with("Bad value `")) << line << " -> " << r.reply;
    EXPECT_TRUE(r.reply.ends_with(".\r\n> ")) << line;
    EXPECT_EQ(r.changed, -1) << line;
    EXPECT_TRUE(SameMarquee(d.marquee(0), before)) << line;
  }
}

TEST(StageDialect, SetsEachVariableOfTheAddressedMarqueeOnly) {
  struct Case {
    const char* line;
    int index;
    Marquee expected;
  };
  auto with = [](auto change) {
    Marquee m;
    change(m);
    return m;
  };
  const Case cases[] = {
      {"@m1 marq-position 5", 0, with([](Marquee& m) { m.position = 5; })},
      {"@m2 marq-position -1", 1, with([](Marquee& m) { m.position = -1; })},
      {"@m3 marq-position 010", 2, with([](Marquee& m) { m.position = 10; })},  // decimal
      {"@m1 marq-size  +30 ", 0, with([](Marquee& m) { m.size = 30; })},
      {"@m2 marq-color 0xff8000", 1, with([](Marquee& m) { m.color = 0xFF8000; })},
      {"@m2 marq-color 0XFF8000", 1, with([](Marquee& m) { m.color = 0xFF8000; })},
      {"@m3 marq-color 16711680", 2, with([](Marquee& m) { m.color = 0xFF0000; })},
      {"@m1 marq-opacity 0x80", 0, with([](Marquee& m) { m.opacity = 128; })},
      {"@m1 marq-x -20", 0, with([](Marquee& m) { m.x = -20; })},
      {"@m3\tmarq-y\t7", 2, with([](Marquee& m) { m.y = 7; })},
      {"@m2 marq-refresh 50", 1, with([](Marquee& m) { m.refresh_ms = 50; })},
      {"@m1 marq-timeout 1500", 0, with([](Marquee& m) {
         m.timeout_ms = 1500;
         m.shown_at_ms = 42;
       })},
  };
  for (const Case& c : cases) {
    Dialect d;
    d.Feed(c.line, 42);
    for (int i = 0; i < kMarqueeCount; ++i) {
      EXPECT_TRUE(SameMarquee(d.marquee(i), i == c.index ? c.expected : Marquee{}))
          << c.line << " marquee " << i;
    }
  }
}

TEST(StageDialect, TakesTheMarqueeTextExactly) {
  const std::pair<std::string, std::string> cases[] = {
      {"@m1 marq-marquee Morning light", "Morning light"},
      {"@m1 marq-marquee  two  blanks ", "two  blanks "},
      {"@m1 marq-marquee a$_b$_c", "a\nb\nc"},
      {"@m1 marq-marquee $_", "\n"},
      {"@m1 marq-marquee $$_$", "$\n$"},
      {"@m1 marq-marquee $ _", "$ _"},
      {"@m1 marq-marquee", ""},
      {"@m1 marq-marquee ", ""},
      {"@m1 marq-marquee x\r", "x"},
      {"@m1\tmarq-marquee\tx\ty", "x y"},
      {"@m1 marq-marquee @m2 marq-marquee y", "@m2 marq-marquee y"},
      {"@m1 marq-marquee caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto& [line, text] : cases) {
    Dialect d;
    d.Feed("@m1 marq-marquee old", 0);
    const FeedResult r = d.Feed(line, 0);
    EXPECT_EQ(r.reply, "> ") << line;
    EXPECT_EQ(r.changed, 0) << line;
    EXPECT_EQ(d.marquee(0).text, text) << line;
  }
}

TEST(StageDialect, TimeoutCountsFromTheLastTextOrTimeout) {
  Dialect d;
  d.Feed("@m1 marq-timeout 500", 0);
  EXPECT_FALSE(IsVisible(d.marquee(0), 0));  // no text yet
  EXPECT_EQ(ExpiresAt(d.marquee(0)), std::nullopt);

  d.Feed("@m1 marq-marquee x", 1000);
  EXPECT_TRUE(IsVisible(d.marquee(0), 1000));
  EXPECT_TRUE(IsVisible(d.marquee(0), 1499));
  EXPECT_FALSE(IsVisible(d.marquee(0), 1500));
  EXPECT_EQ(ExpiresAt(d.marquee(0)), 1500);

  d.Feed("@m1 marq-timeout 2000", 1400);  // restarts the count
  EXPECT_TRUE(IsVisible(d.marquee(0), 3399));
  EXPECT_FALSE(IsVisible(d.marquee(0), 3400));

  d.Feed("@m1 marq-marquee y", 5000);  // a new text shows again
  EXPECT_TRUE(IsVisible(d.marquee(0), 6999));

  d.Feed("@m1 marq-timeout 0", 9000);
  EXPECT_TRUE(IsVisible(d.marquee(0), 1'000'000'000));
  EXPECT_EQ(ExpiresAt(d.marquee(0)), std::nullopt);

  d.Feed("@m1 marq-marquee", 9000);
  EXPECT_FALSE(IsVisible(d.marquee(0), 9000));
}

// Chunks in -> events out ("!" stands for a too-long event), and the
// number of bytes left pending.
struct AssemblerCase {
  const char* name;
  std::size_t cap;
  std::vector<std::string> chunks;
  std::vector<std::string> events;
  std::size_t pending;
};

TEST(LineAssembler, SplitsAtLineFeedsAndCapsLines) {
  const AssemblerCase cases[] = {
      {"two lines", 16, {"a\nb\n"}, {"a", "b"}, 0},
      {"split across chunks", 16, {"ab", "c\nd"}, {"abc"}, 1},
      {"empty lines", 16, {"\n\n"}, {"", ""}, 0},
      {"CR is kept", 16, {"x\r\n"}, {"x\r"}, 0},
      {"NUL is kept", 16, {std::string("a\0b\n", 4)}, {std::string("a\0b", 3)}, 0},
      {"exactly the cap", 4, {"abcd\n"}, {"abcd"}, 0},
      {"one past the cap", 4, {"abcde\nok\n"}, {"!", "ok"}, 0},
      {"reported once", 4, {"abc", "de", "fgh", "ij\nok\n"}, {"!", "ok"}, 0},
      {"overlong without end", 4, {"abcdefghij"}, {"!"}, 0},
      {"dropped up to its LF", 4, {"abcdefghij", "klm", "\nz\n"}, {"!", "z"}, 0},
      {"two overlong lines", 2, {"abc\ndef\n"}, {"!", "!"}, 0},
  };
  for (const AssemblerCase& c : cases) {
    LineAssembler a(c.cap);
    std::vector<LineAssembler::Event> events;
    for (const std::string& chunk : c.chunks) a.Feed(chunk, &events);
    std::vector<std::string> got;
    for (const auto& e : events) got.push_back(e.too_long ? "!" : e.line);
    EXPECT_EQ(got, c.events) << c.name;
    EXPECT_EQ(a.pending_bytes(), c.pending) << c.name;
  }
}

TEST(LineAssembler, KeepsMemoryBoundedOnAMegabyteLine) {
  LineAssembler a;
  std::vector<LineAssembler::Event> events;
  const std::string chunk(64 * 1024, 'x');
  for (int i = 0; i < 32; ++i) {
    a.Feed(chunk, &events);
    EXPECT_LE(a.pending_bytes(), kMaxLineBytes);
  }
  a.Feed("\n@m1 marq-marquee ok\n", &events);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(events[0].too_long);
  EXPECT_EQ(events[1].line, "@m1 marq-marquee ok");
}

}  // namespace
}  // namespace stanzo::stage
