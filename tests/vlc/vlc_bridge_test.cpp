// Integration test of the VLC bridge against Debian's real VLC: the
// console's commands go over TCP exactly as the console sends them, and
// the overlays are checked on screen (pixels and OCR).
//
// One VLC serves the whole suite; the tests run in the order written and
// the last one shuts VLC down. Run as root, the process first moves into a
// network namespace of its own so that VLC runs with the default launch
// command word for word (ports 2323 and 2324); elsewhere the same command
// gets free ports.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "extras/dos.h"
#include "extras/launcher.h"
#include "extras/program_starter.h"
#include "stage/overlay_cases.h"
#include "vlc/vlc_harness.h"

namespace stanzo::vlctest {
namespace {

bool g_privateNetwork = false;

constexpr auto kStart = milliseconds(120000);
constexpr auto kReply = milliseconds(20000);
constexpr auto kScreen = milliseconds(20000);

constexpr char kPrompt[] = "\r\n> ";

// Where the console's default init commands put the overlays in the
// 640x360 test picture: m1 centred and large, m2 at the bottom and small.
constexpr Rect kM1{0, 60, 640, 240};
constexpr Rect kM2{0, 316, 640, 44};
constexpr Rect kAll{0, 0, 640, 360};

const std::vector<std::string> kConsoleInit = {
    "@m1 marq-position 0", "@m1 marq-size 50", "@m1 marq-refresh 100",
    "@m2 marq-position 8", "@m2 marq-size 20", "@m2 marq-refresh 100",
};

class VlcBridgeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Prepare()) return;
    // The default launch command (the harness runs Debian's vlc and adds
    // the headless options and the test video).
    const auto words = SplitCommandLine(DefaultLaunchCommand(platform::Env::Default()));
    const auto launch = LaunchWithBridge(words.value_or(std::vector<std::string>{}),
                                         g_privateNetwork, &setupError_);
    if (!launch) {
      setupError_ += ": " + DefaultLaunchCommand(platform::Env::Default());
      return;
    }
    port_ = launch->port;
    cliPort_ = launch->cliPort;
    StartVlc(launch->args);
  }

  // Checks the tools and makes the work directory; false when the suite
  // cannot run (skipReason_ or setupError_ says why).
  static bool Prepare() {
    skipReason_.clear();
    setupError_.clear();
    if (const std::string missing = MissingProgram(); !missing.empty()) {
      skipReason_ = missing + " is not installed (scripts/deps.sh vlc)";
      return false;
    }
    work_ = MakeWorkDir("/tmp/stanzo-vlc-XXXXXX");
    if (work_.empty()) {
      setupError_ = "cannot make a work directory";
      return false;
    }
    return true;
  }

  static void StartVlc(const std::vector<std::string>& args) {
    player_ = std::make_unique<VlcPlayer>(STANZO_VLC_HARNESS, work_ + "/vlc");
    std::string error;
    if (!player_->Start(args, &error)) {
      setupError_ = error;
      return;
    }
    frames_ = std::make_unique<FrameStream>();
    if (!frames_->Start(player_->display(), &error)) {
      setupError_ = error;
      return;
    }
    // The test video is on screen: its dark blue-grey fills the centre.
    const auto shown = frames_->WaitFor(
        [](const GrayFrame& f) {
          const int g = f.At(320, 180);
          return g > 30 && g < 60;
        },
        kStart);
    if (!shown) setupError_ = "the test video never showed up";
  }

  static void TearDownTestSuite() {
    if (frames_) frames_->Stop();
    frames_.reset();
    if (player_) player_->Stop();
    player_.reset();
    std::error_code ec;
    if (!work_.empty()) std::filesystem::remove_all(work_, ec);
    work_.clear();
  }

  void SetUp() override {
    if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
    ASSERT_EQ(setupError_, "") << (player_ ? player_->Log() : "");
  }

  // A console link with VLC's greeting already read.
  static std::unique_ptr<LineClient> Console() {
    auto c = std::make_unique<LineClient>();
    if (!c->Connect(port_, kReply)) return nullptr;
    if (!c->ReadUntilEndsWith(kPrompt, kReply) && !c->ReadUntilEndsWith("\n> ", kReply)) {
      return nullptr;
    }
    c->Take();
    return c;
  }

  // Sends each line as the console does (one write per command) and waits
  // for one prompt per line.
  static std::string SendAll(LineClient& c, const std::vector<std::string>& lines) {
    for (const auto& l : lines) EXPECT_TRUE(c.SendLine(l));
    const size_t want = lines.size();
    c.ReadUntil(
        [want](const std::string& s) {
          size_t n = 0;
          for (size_t p = s.find("> "); p != std::string::npos; p = s.find("> ", p + 2)) ++n;
          return n >= want && s.size() >= 2 && s.compare(s.size() - 2, 2, "> ") == 0;
        },
        kReply);
    return c.Take();
  }

  // The first frame after now that satisfies `pred` and whose region `r`
  // has stayed unchanged for a while (several video frames: the grab runs
  // faster than the video, so two equal grabs prove nothing).
  static std::optional<GrayFrame> Settled(Rect r, const std::function<bool(const GrayFrame&)>& pred,
                                          milliseconds timeout = kScreen) {
    std::optional<GrayFrame> first;  // of the current unchanged run
    return frames_->WaitFor(
        [&](const GrayFrame& f) {
          if (!first || CountDifferent(*first, f, r) != 0) first = f;
          return f.at - first->at >= milliseconds(300) && pred(f);
        },
        timeout);
  }

  static std::string Ocr(const GrayFrame& f, Rect r) { return ReadText(f, r, work_); }

  static inline std::string skipReason_;
  static inline std::string setupError_;
  static inline std::string work_;
  static inline int port_ = 0;
  static inline int cliPort_ = 0;
  static inline std::unique_ptr<VlcPlayer> player_;
  static inline std::unique_ptr<FrameStream> frames_;
};

TEST_F(VlcBridgeTest, GreetsLikeVlcsCommandLineInterface) {
  LineClient c;
  ASSERT_TRUE(c.Connect(port_, kReply));
  ASSERT_TRUE(c.ReadUntilEndsWith("> ", kReply)) << c.received();
  const std::string g = c.Take();
  EXPECT_EQ(g.rfind("VLC media player 3.", 0), 0u) << g;
  EXPECT_NE(g.find("\nCommand Line Interface initialized. Type `help' for help.\r\n> "),
            std::string::npos)
      << g;
}

TEST_F(VlcBridgeTest, ConsoleInitAndSlidesChangeTheOverlays) {
  auto c = Console();
  ASSERT_TRUE(c);
  const auto before = Settled(kAll, [](const GrayFrame&) { return true; });
  ASSERT_TRUE(before);
  EXPECT_LT(CountBright(*before, kM1), 20);
  EXPECT_LT(CountBright(*before, kM2), 20);
  EXPECT_LT(WordsFound("This is the first line of the", Ocr(*before, kM1)), 0.2);

  EXPECT_EQ(SendAll(*c, kConsoleInit), "> > > > > > ");
  const std::vector<std::string> slide1 = {"@m1 marq-marquee This is the first line of the ",
                                           "@m2 marq-marquee first verse of the song"};
  EXPECT_EQ(SendAll(*c, slide1), "> > ");
  const auto shown = Settled(kAll, [&](const GrayFrame& f) {
    return CountDifferent(*before, f, kM1) > 500 && CountDifferent(*before, f, kM2) > 100;
  });
  ASSERT_TRUE(shown) << "the overlays never changed";
  // Only the two overlay regions changed.
  EXPECT_LT(CountDifferent(*before, *shown, Rect{0, 0, 640, 55}), 20);
  const std::string m1 = Ocr(*shown, kM1);
  const std::string m2 = Ocr(*shown, kM2);
  EXPECT_GE(WordsFound("This is the first line of the", m1), 0.8) << m1;
  EXPECT_GE(WordsFound("first verse of the song", m2), 0.8) << m2;
  EXPECT_LT(WordsFound("verse song", m1), 0.5) << m1;

  if (const char* shot = std::getenv("STANZO_VLC_SCREENSHOT")) {
    EXPECT_TRUE(player_->Screenshot(shot));
  }

  // The next slide replaces both texts.
  EXPECT_EQ(SendAll(*c, {"@m1 marq-marquee first verse of the song",
                         "@m2 marq-marquee and here comes the chorus"}),
            "> > ");
  const auto next = Settled(kAll, [&](const GrayFrame& f) {
    return CountDifferent(*shown, f, kM1) > 500 && CountDifferent(*shown, f, kM2) > 100;
  });
  ASSERT_TRUE(next);
  const std::string n1 = Ocr(*next, kM1);
  const std::string n2 = Ocr(*next, kM2);
  EXPECT_GE(WordsFound("first verse of the song", n1), 0.8) << n1;
  EXPECT_LT(WordsFound("This is line", n1), 0.4) << n1;
  EXPECT_GE(WordsFound("and here comes the chorus", n2), 0.8) << n2;
}

TEST_F(VlcBridgeTest, LineBreaksAndPercentSignsShowAsTyped) {
  auto c = Console();
  ASSERT_TRUE(c);
  const auto before = frames_->Latest();
  ASSERT_TRUE(before);
  EXPECT_EQ(SendAll(*c, {"@m2 marq-marquee $_", "@m1 marq-marquee 100% sure$_%d %H {a,b:c}"}),
            "> > ");
  const auto shown = Settled(kAll, [&](const GrayFrame& f) {
    return CountDifferent(*before, f, kM1) > 500 && CountBright(f, kM2) < 20;
  });
  ASSERT_TRUE(shown);
  const std::string text = Ocr(*shown, kM1);
  // Two lines, in order, with the characters as typed.
  EXPECT_NE(text.find("100%"), std::string::npos) << text;
  EXPECT_NE(text.find("%d %H"), std::string::npos) << text;
  EXPECT_EQ(text.find("$_"), std::string::npos) << text;
  const auto first = text.find("sure");
  const auto second = text.find("%d");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  EXPECT_NE(text.substr(first, second - first).find('\n'), std::string::npos) << text;
}

TEST_F(VlcBridgeTest, OtherLinesReachVlcsCliAndItsAnswerComesBack) {
  auto c = Console();
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->SendLine("status"));
  ASSERT_TRUE(c->ReadUntilEndsWith(kPrompt, kReply)) << c->received();
  const std::string status = c->Take();
  EXPECT_NE(status.find("( state playing )\r\n> "), std::string::npos) << status;

  // Marquee commands, raw commands and errors in one write: one answer
  // each, in the order sent.
  ASSERT_TRUE(c->SendRaw("@m3 marq-size 20\nget_length\n@m9 marq-size 1\nis_playing\n"));
  ASSERT_TRUE(c->ReadUntil(
      [](const std::string& s) { return s.find("1\r\n> ", s.find("m9")) != std::string::npos; },
      kReply))
      << c->received();
  EXPECT_EQ(c->Take(), "> 10\r\n> Unknown marquee `m9'. Known: m1, m2, m3.\r\n> 1\r\n> ");
}

TEST_F(VlcBridgeTest, BadInputGetsAnErrorLineAndChangesNothing) {
  auto c = Console();
  ASSERT_TRUE(c);
  struct Case {
    std::string line;
    std::string reply;
  };
  const std::vector<Case> cases = {
      {"@m4 marq-size 3", "Unknown marquee `m4'. Known: m1, m2, m3."},
      {"@M1 marq-size 3", "Unknown marquee `M1'. Known: m1, m2, m3."},
      {"@ marq-size 3", "Missing marquee name after `@'. Known: m1, m2, m3."},
      {"@m1", "Missing command after `@m1'."},
      {"@m1 \t", "Missing command after `@m1'."},
      {"@m1 marq-foo 1",
       "Unknown marquee variable `marq-foo'. Known: marq-marquee, marq-position, marq-size, "
       "marq-color, marq-opacity, marq-x, marq-y, marq-refresh, marq-timeout."},
      {"@m1 marq-size", "Missing value for `marq-size'."},
      {"@m1 marq-size   ", "Missing value for `marq-size'."},
      {"@m1 marq-size abc", "Bad value `abc' for `marq-size': expected an integer from 0 to 1000."},
      {"@m1 marq-size 12abc",
       "Bad value `12abc' for `marq-size': expected an integer from 0 to 1000."},
      {"@m1 marq-size 99999999999999999999",
       "Bad value `99999999999999999999' for `marq-size': expected an integer from 0 to 1000."},
      {"@m1 marq-opacity 256",
       "Bad value `256' for `marq-opacity': expected an integer from 0 to 255."},
      {"@m1 marq-color -1",
       "Bad value `-1' for `marq-color': expected an integer from 0 to 16777215."},
      {"@m1 marq-marquee \xff\xfe broken", "Text for `marq-marquee' is not valid UTF-8; ignored."},
      {"@m1 marq-marquee a\x01"
       "b",
       "The line holds control characters; ignored."},
      {std::string("\x00\x01\x02garbage\xff", 9), "The line holds control characters; ignored."},
      {std::string(100 * 1024, 'A'), "Line longer than 32768 bytes; ignored."},
      {"@m1 marq-marquee " + std::string(100 * 1024, 'B'),
       "Line longer than 32768 bytes; ignored."},
  };
  const auto before = Settled(kAll, [](const GrayFrame&) { return true; });
  ASSERT_TRUE(before);
  for (const auto& k : cases) {
    SCOPED_TRACE(k.line.substr(0, 40));
    ASSERT_TRUE(c->SendLine(k.line));
    ASSERT_TRUE(c->ReadUntilEndsWith(kPrompt, kReply)) << c->received();
    EXPECT_EQ(c->Take(), k.reply + kPrompt);
  }
  // Binary garbage with line feeds in it: every piece is answered.
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  garbage += "\n";
  ASSERT_TRUE(c->SendRaw(garbage));
  ASSERT_TRUE(c->SendLine("is_playing"));
  ASSERT_TRUE(c->ReadUntil(
      [](const std::string& s) {
        return s.size() >= 5 && s.compare(s.size() - 5, 5, "1\r\n> ") == 0;
      },
      kReply))
      << c->received().substr(0, 400);
  c->Take();

  // None of it touched the overlays, and the bridge still works.
  const auto after = Settled(kAll, [](const GrayFrame&) { return true; });
  ASSERT_TRUE(after);
  EXPECT_LT(CountDifferent(*before, *after, kAll), 20);
  EXPECT_EQ(SendAll(*c, {"@m1 marq-marquee still alive"}), "> ");
  const auto alive =
      Settled(kM1, [&](const GrayFrame& f) { return CountDifferent(*after, f, kM1) > 500; });
  ASSERT_TRUE(alive);
  EXPECT_GE(WordsFound("still alive", Ocr(*alive, kM1)), 1.0);
}

// The overlays' state as the bridge last handed it to VLC: the chain its
// debug message "stanzo bridge: overlays marq{...}:marq{...}:marq{...}"
// holds (VLC runs with VLC_VERBOSE=2), read back into the words of the
// shared cases. Texts are shown as typed: a lone blank is the empty text,
// "%%" is "%".
std::optional<overlaycases::State> LastOverlays(const std::string& log) {
  constexpr std::string_view kMark = "stanzo bridge: overlays ";
  const size_t at = log.rfind(kMark);
  if (at == std::string::npos) return std::nullopt;
  std::string_view s = std::string_view(log).substr(at + kMark.size());
  overlaycases::State state = overlaycases::StartState();
  for (int i = 1; i <= 3; ++i) {
    if (!s.starts_with("marq{")) return std::nullopt;
    s.remove_prefix(5);
    const std::string prefix = "m" + std::to_string(i) + ".";
    while (!s.empty() && s.front() != '}') {
      const size_t eq = s.find('=');
      if (eq == std::string_view::npos) return std::nullopt;
      std::string name(s.substr(0, eq));
      s.remove_prefix(eq + 1);
      std::string value;
      if (!s.empty() && s.front() == '"') {
        size_t k = 1;
        for (; k < s.size() && s[k] != '"'; ++k) {
          if (s[k] == '\\') ++k;
          if (k < s.size()) value += s[k];
        }
        s.remove_prefix(std::min(k + 1, s.size()));
      } else {
        const size_t end = s.find_first_of(",}");
        value = std::string(s.substr(0, end));
        s.remove_prefix(std::min(end, s.size()));
      }
      if (name == "marquee") {
        name = "text";
        std::string shown;
        for (size_t k = 0; k < value.size(); ++k) {
          shown += value[k];
          if (value[k] == '%' && k + 1 < value.size() && value[k + 1] == '%') ++k;
        }
        value = shown == " " ? "" : shown;
      }
      state[prefix + name] = value;
      if (!s.empty() && s.front() == ',') s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    s.remove_prefix(1);  // '}'
    if (i < 3 && !s.starts_with(":")) return std::nullopt;
    if (i < 3) s.remove_prefix(1);
  }
  return state;
}

// The rule book's cases, which the rehearsal stage passes too: each from
// the start state, its lines sent one by one, each answer checked, then
// the state VLC was given.
TEST_F(VlcBridgeTest, FollowsTheSharedOverlayCases) {
  const auto cases = overlaycases::Load(STANZO_OVERLAY_CASES);
  auto c = Console();
  ASSERT_TRUE(c);
  const auto endsWithPrompt = [](const std::string& s) {
    return s.size() >= 2 && s.compare(s.size() - 2, 2, "> ") == 0;
  };
  std::string reset, prompts;
  for (const std::string& l : overlaycases::ResetLines()) {
    reset += l + "\n";
    prompts += "> ";
  }
  for (const overlaycases::Case& k : cases) {
    SCOPED_TRACE("overlay_cases.txt:" + std::to_string(k.file_line));
    ASSERT_TRUE(c->SendRaw(reset));
    ASSERT_TRUE(
        c->ReadUntil([&](const std::string& s) { return s.size() >= prompts.size(); }, kReply))
        << c->received();
    ASSERT_EQ(c->Take(), prompts);
    for (const overlaycases::Exchange& x : k.exchanges) {
      ASSERT_TRUE(c->SendLine(x.line));
      ASSERT_TRUE(c->ReadUntil(endsWithPrompt, kReply)) << c->received();
      EXPECT_EQ(c->Take(), x.reply) << x.line.substr(0, 60);
    }
    const auto state = LastOverlays(player_->Log());
    ASSERT_TRUE(state) << "no overlay chain in VLC's log";
    EXPECT_EQ(*state, overlaycases::Expected(k));
  }
  // Back to the layout the later tests expect.
  EXPECT_EQ(SendAll(*c, overlaycases::ResetLines()), prompts);
  EXPECT_EQ(SendAll(*c, kConsoleInit), "> > > > > > ");
}

TEST_F(VlcBridgeTest, MeasuresTheTimeFromCommandToScreen) {
  auto c = Console();
  ASSERT_TRUE(c);
  const std::string texts[2] = {"@m1 marq-marquee Morning light", "@m1 marq-marquee the kettle"};
  GrayFrame refs[2];
  for (int i = 0; i < 2; ++i) {
    const auto before = frames_->Latest();
    ASSERT_TRUE(before);
    EXPECT_EQ(SendAll(*c, {texts[i]}), "> ");
    const auto f =
        Settled(kM1, [&](const GrayFrame& g) { return CountDifferent(*before, g, kM1) > 500; });
    ASSERT_TRUE(f);
    refs[i] = *f;
  }
  ASSERT_GT(CountDifferent(refs[0], refs[1], kM1), 500);

  std::vector<double> ms;
  for (int round = 0; round < 8; ++round) {
    const int i = round % 2;
    const auto sent = Clock::now();
    ASSERT_TRUE(c->SendLine(texts[i]));
    const auto f = frames_->WaitFor(
        [&](const GrayFrame& g) { return CountDifferent(refs[i], g, kM1) < 20; }, kScreen);
    ASSERT_TRUE(f) << "round " << round;
    ms.push_back(std::chrono::duration<double, std::milli>(f->at - sent).count());
    ASSERT_TRUE(c->ReadUntilEndsWith("> ", kReply));
    c->Take();
  }
  std::sort(ms.begin(), ms.end());
  std::printf(
      "marquee command to screen (frames grabbed at ~50/s): min %.0f ms, median %.0f ms, "
      "max %.0f ms over %zu changes\n",
      ms.front(), ms[ms.size() / 2], ms.back(), ms.size());
  RecordProperty("latency_median_ms", static_cast<int>(ms[ms.size() / 2]));
}

TEST_F(VlcBridgeTest, ANewVideoOutputGetsTheOverlaysAgain) {
  auto c = Console();
  ASSERT_TRUE(c);
  const std::string video = player_->MakeVideo("grey", "0x707070");
  ASSERT_FALSE(video.empty());
  EXPECT_EQ(SendAll(*c, {"@m1 marq-marquee kept across videos", "@m2 marq-marquee the preview"}),
            "> > ");
  ASSERT_TRUE(Settled(kM1, [](const GrayFrame& f) { return CountBright(f, kM1) > 500; }));

  EXPECT_EQ(SendAll(*c, {"stop"}), "> ");
  // The video window goes away: the X screen is black.
  ASSERT_TRUE(frames_->WaitFor([](const GrayFrame& f) { return f.At(320, 180) < 10; }, kScreen));
  EXPECT_EQ(SendAll(*c, {"add " + video}), "> ");
  const auto shown = Settled(kAll, [](const GrayFrame& f) {
    const int g = f.At(5, 180);
    return g > 100 && g < 125 && CountBright(f, kM1) > 500 && CountBright(f, kM2) > 50;
  });
  ASSERT_TRUE(shown) << "no overlays on the new video";
  const std::string m1 = Ocr(*shown, kM1);
  EXPECT_GE(WordsFound("kept across videos", m1), 1.0) << m1;
  const std::string m2 = Ocr(*shown, kM2);
  EXPECT_GE(WordsFound("the preview", m2), 1.0) << m2;
}

TEST_F(VlcBridgeTest, KeepsUpWithTheStressTestWithoutFlicker) {
  auto c = Console();
  ASSERT_TRUE(c);
  EXPECT_EQ(SendAll(*c, {"@m2 marq-position 8", "@m2 marq-size 20",
                         "@m2 marq-marquee the preview stays put"}),
            "> > > ");
  ASSERT_TRUE(Settled(kM2, [](const GrayFrame& f) { return CountBright(f, kM2) > 50; }));

  std::vector<std::string> lines = {"@m1 marq-marquee Hi", "@m1 marq-position 5",
                                    "@m1 marq-size 200", "@m1 marq-refresh 50"};
  for (int n = 1; n <= 100; ++n) {
    lines.push_back("@m1 marq-x " + std::to_string(n));
    lines.push_back("@m1 marq-y " + std::to_string(n));
  }
  lines.insert(lines.end(), {"@m1 marq-marquee Hi", "@m1 marq-position 0", "@m1 marq-size 200",
                             "@m1 marq-refresh 100"});
  for (int n = 1; n <= 100; ++n) lines.push_back("@m1 marq-marquee " + std::to_string(n));
  ASSERT_EQ(lines.size(), 308u);  // 4 + 200 + 4 + 100
  // Watch every frame while the stress sequence runs: the untouched
  // overlay must never blink, although every change rebuilds all three.
  std::atomic<int> watched{0}, blank{0};
  std::jthread watcher([&](const std::stop_token& stop) {
    uint64_t after = 0;
    while (!stop.stop_requested()) {
      const auto f =
          frames_->WaitFor([](const GrayFrame&) { return true; }, milliseconds(500), after);
      if (!f) continue;
      after = f->seq;
      ++watched;
      if (CountBright(*f, kM2) < 50) ++blank;
    }
  });
  // Faster than the console's 5 to 10 changes a second: one every 10 ms.
  for (const auto& l : lines) {
    ASSERT_TRUE(c->SendLine(l));
    std::this_thread::sleep_for(milliseconds(10));
  }
  ASSERT_TRUE(c->ReadUntil(
      [](const std::string& s) {
        size_t n = 0;
        for (size_t p = s.find("> "); p != std::string::npos; p = s.find("> ", p + 2)) ++n;
        return n >= 308;
      },
      kReply));
  EXPECT_EQ(c->Take(), [] {
    std::string all;
    for (int i = 0; i < 308; ++i) all += "> ";
    return all;
  }());
  const auto last = Settled(kAll, [](const GrayFrame& f) { return CountBright(f, kM1) > 1000; });
  watcher.request_stop();
  watcher.join();
  ASSERT_TRUE(last);
  // Size 200 glyphs: read at half size.
  const std::string text = ReadText(*last, kM1, work_, 0.5);
  EXPECT_NE(NormalizeText(text).find("100"), std::string::npos) << text;
  EXPECT_GT(watched.load(), 100);
  EXPECT_EQ(blank.load(), 0) << "of " << watched.load() << " frames";
}

TEST_F(VlcBridgeTest, AFloodOfLinesForTheCliIsHeldBackNotBuffered) {
  // Every line for VLC's CLI waits for the previous one's answer. A link
  // that sends them faster than the CLI answers must be read no faster,
  // or the waiting lines pile up in VLC's memory without bound.
  const long before = ResidentKb(player_->pid());
  ASSERT_GT(before, 0);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port_));
  if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ASSERT_EQ(errno, EINPROGRESS);
  }
  std::string lines;
  for (int i = 0; i < 1 << 20; ++i) lines += "x\n";  // 2 MB, one CLI line each
  std::string_view left;
  long peak = before;
  const auto until = Clock::now() + milliseconds(5000);
  while (Clock::now() < until) {
    pollfd p{fd, POLLOUT, 0};
    poll(&p, 1, 50);
    if (left.empty()) left = lines;
    const ssize_t n = send(fd, left.data(), left.size(), MSG_NOSIGNAL);
    if (n > 0) left.remove_prefix(static_cast<size_t>(n));
    peak = std::max(peak, ResidentKb(player_->pid()));
  }
  close(fd);  // with the CLI's answers unread: the bridge sees a reset
  RecordProperty("flood_growth_kib", static_cast<int>(peak - before));
  EXPECT_LT(peak - before, 64 * 1024) << "KiB more than before the flood";

  auto c = Console();
  ASSERT_TRUE(c);
  EXPECT_EQ(SendAll(*c, {"@m3 marq-size 20", "is_playing"}), "> 1\r\n> ");
}

TEST_F(VlcBridgeTest, QuitEndsOnlyThisSession) {
  auto leaving = Console();
  auto staying = Console();
  ASSERT_TRUE(leaving && staying);
  ASSERT_TRUE(leaving->SendLine("quit"));
  EXPECT_TRUE(leaving->WaitClosed(kReply));
  EXPECT_EQ(leaving->Take(), "Bye-bye!\r\n");
  EXPECT_EQ(SendAll(*staying, {"is_playing"}), "1\r\n> ");
}

// Last: VLC is gone afterwards.
TEST_F(VlcBridgeTest, ShutdownClosesEveryLink) {
  auto console = Console();
  auto other = Console();
  ASSERT_TRUE(console && other);
  ASSERT_TRUE(console->SendLine("shutdown"));
  EXPECT_TRUE(console->WaitClosed(kReply));
  EXPECT_TRUE(other->WaitClosed(kReply));
  EXPECT_TRUE(player_->WaitExited(kReply));
}

// VLC started without its CLI: the marquee commands still work, and every
// other line is refused with a reason instead of vanishing.
class VlcBridgeWithoutCliTest : public VlcBridgeTest {
 protected:
  static void SetUpTestSuite() {
    if (!Prepare()) return;
    port_ = FreeLoopbackPort();
    StartVlc({"--extraintf=luaintf", "--lua-intf=stanzo_bridge",
              "--lua-config=stanzo_bridge={host='127.0.0.1:" + std::to_string(port_) + "'}"});
  }
};

TEST_F(VlcBridgeWithoutCliTest, ShowsOverlaysAndRefusesOtherLines) {
  LineClient c;
  ASSERT_TRUE(c.Connect(port_, kReply));
  ASSERT_TRUE(c.ReadUntilEndsWith(kPrompt, kReply)) << c.received();
  const std::string g = c.Take();
  EXPECT_EQ(g.rfind("VLC media player 3.", 0), 0u) << g;
  EXPECT_NE(g.find("\nVLC's command line interface is not reachable; only the @m1, @m2 and @m3 "
                   "marquee commands work.\r\n> "),
            std::string::npos)
      << g;

  EXPECT_EQ(SendAll(c, kConsoleInit), "> > > > > > ");
  EXPECT_EQ(SendAll(c, {"status"}),
            "VLC's command line interface is not reachable; `status' was not sent.\r\n> ");
  EXPECT_EQ(SendAll(c, {"@m1 marq-marquee no CLI needed"}), "> ");
  const auto shown = Settled(kM1, [](const GrayFrame& f) { return CountBright(f, kM1) > 500; });
  ASSERT_TRUE(shown);
  const std::string text = Ocr(*shown, kM1);
  EXPECT_GE(WordsFound("no CLI needed", text), 1.0) << text;
}

// VLC started by the default launch command exactly as the console runs
// it (only the headless options added): its own interfaces, its own
// picture to play, no init sent yet.
class VlcDefaultCommandTest : public VlcBridgeTest {
 protected:
  static void SetUpTestSuite() {
    if (!Prepare()) return;
    // The harness installs the bridge and the picture into this home.
    const std::string dataHome = work_ + "/vlc/home/.local/share";
    const auto words = SplitCommandLine(DefaultLaunchCommand(dataHome));
    const auto launch = LaunchWithBridge(words.value_or(std::vector<std::string>{}),
                                         g_privateNetwork, &setupError_, true);
    if (!launch) return;
    port_ = launch->port;
    cliPort_ = launch->cliPort;
    args_ = launch->args;
    player_ = std::make_unique<VlcPlayer>(STANZO_VLC_HARNESS, work_ + "/vlc");
    if (!player_->StartAsLaunched(launch->args, &setupError_)) return;
    frames_ = std::make_unique<FrameStream>();
    if (!frames_->Start(player_->display(), &setupError_)) return;
  }
  static inline std::vector<std::string> args_;
};

TEST_F(VlcDefaultCommandTest, ShowsTheFirstSlideReadablyOnBlackWithoutNoise) {
  // No caption with the picture's name comes up where m2 goes.
  EXPECT_FALSE(frames_->WaitFor([](const GrayFrame& f) { return CountBright(f, kM2) > 20; },
                                milliseconds(3000)))
      << "VLC's title caption showed";
  auto c = Console();
  ASSERT_TRUE(c);
  EXPECT_EQ(SendAll(*c, {"@m1 marq-marquee The first slide reads well",
                         "@m2 marq-marquee and the preview sits below"}),
            "> > ");
  const auto shown = Settled(kAll, [](const GrayFrame& f) {
    return CountBright(f, kM1) > 500 && CountBright(f, kM2) > 50;
  });
  ASSERT_TRUE(shown) << "no overlays where the init layout puts them (or nothing plays)";
  // Black around the texts, nothing at the top left where unplaced
  // overlays would pile up.
  EXPECT_LT(shown->At(5, 5), 10);
  EXPECT_LT(shown->At(320, 30), 10);
  EXPECT_LT(CountBright(*shown, Rect{0, 0, 640, 55}), 20);
  const std::string m1 = Ocr(*shown, kM1);
  const std::string m2 = Ocr(*shown, kM2);
  EXPECT_GE(WordsFound("The first slide reads well", m1), 0.8) << m1;
  EXPECT_LT(WordsFound("preview sits below", m1), 0.4) << m1;
  EXPECT_GE(WordsFound("and the preview sits below", m2), 0.8) << m2;
  // VLC's CLI opened once, by the names that Windows VLC knows as well
  // ("cli", --cli-host; "rc" is another interface there), on its private
  // port: no second one failing on the same port.
  EXPECT_NE(std::find(args_.begin(), args_.end(), "--extraintf=luaintf:cli"), args_.end());
  const std::string log = player_->Log();
  EXPECT_EQ(log.find("Cannot listen"), std::string::npos) << log;
  const std::string listening =
      "[cli] lua interface: Listening on host \"127.0.0.1:" + std::to_string(cliPort_) + "\"";
  const size_t first = log.find(listening);
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find(listening, first + 1), std::string::npos) << log;
}

// Runs `command` as Execute does and returns the log once the watch is over.
std::vector<std::string> ExecuteLog(const std::string& command) {
  std::vector<std::string> log;
  ProgramStarter starter([&](const std::string& t) { log.push_back(t); }, platform::Env::Default());
  starter.Execute(command);
  const auto deadline = Clock::now() + milliseconds(ProgramStarter::kEarlyExitMs + 500);
  while (Clock::now() < deadline) {
    starter.Tick();
    std::this_thread::sleep_for(milliseconds(80));
  }
  return log;
}

// The test's VLC command as Execute would run it, as the user VLC runs as.
std::string SecondVlc(const std::string& work, const std::vector<std::string>& args,
                      bool asNobody) {
  const std::string home = work + "/vlc/home";
  std::string vlc = "env -i PATH=/usr/bin:/bin " + QuoteWord("HOME=" + home) + " " +
                    QuoteWord("XDG_DATA_HOME=" + home + "/.local/share") + " " +
                    QuoteWord("XDG_RUNTIME_DIR=" + work + "/vlc/run") + " /usr/bin/vlc";
  for (const auto& a : args) vlc += " " + QuoteWord(a);
  return asNobody ? "setpriv --reuid=65534 --regid=65534 --clear-groups " + vlc : vlc;
}

TEST_F(VlcDefaultCommandTest, ExecuteLogsAVlcThatEndsAtOnceWithItsReason) {
  // A second VLC with the same command, started as Execute starts it,
  // ends at once: as root VLC refuses to run; as its own user its bridge
  // finds the port taken. The log says so first, then VLC's own words.
  struct Case {
    std::string command;
    uint32_t code;
    std::string reason;
  };
  std::vector<Case> cases;
  if (geteuid() == 0) {
    cases.push_back(
        {SecondVlc(work_, args_, false), 1, "env: VLC is not supposed to be run as root"});
    cases.push_back({SecondVlc(work_, args_, true), 2, "Address already in use"});
  } else {
    cases.push_back({SecondVlc(work_, args_, false), 2, "Address already in use"});
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const std::vector<std::string> log = ExecuteLog(c.command);
    const std::string ended = "Ended with exit code " + std::to_string(c.code) + ": " + c.command;
    EXPECT_NE(std::find(log.begin(), log.end(), ended), log.end());
    EXPECT_EQ(log.size(), 2u);
    const bool told = std::any_of(log.begin(), log.end(), [&](const std::string& l) {
      return l.find(c.reason) != std::string::npos;
    });
    EXPECT_TRUE(told) << ::testing::PrintToString(log);
  }
  // The first VLC is untouched.
  auto console = Console();
  ASSERT_TRUE(console);
  EXPECT_EQ(SendAll(*console, {"is_playing"}), "1\r\n> ");
}

TEST_F(VlcDefaultCommandTest, ExecuteLogsVlcsErrorLineForAMissingBridge) {
  // VLC starts and runs on without the interface it was asked for; its
  // reason reaches the log once. (It runs on briefly: "timeout" ends it.)
  std::vector<std::string> args = args_;
  for (auto& a : args) {
    if (a == "--lua-intf=stanzo_bridge") a = "--lua-intf=stanzo_no_bridge";
    // Its own CLI port: the first VLC holds the test's.
    if (a.rfind("--cli-host=", 0) == 0)
      a = "--cli-host=127.0.0.1:" + std::to_string(FreeLoopbackPort());
  }
  const std::string command = "timeout 8 " + SecondVlc(work_, args, geteuid() == 0);
  const std::vector<std::string> log = ExecuteLog(command);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(),
            "timeout: [stanzo_no_bridge] lua interface error: Couldn't find lua interface script "
            "\"stanzo_no_bridge\".");
  // Without a terminal VLC may end then (its text interface fails): the log
  // says that after the reason, and names nothing else.
  for (size_t i = 1; i < log.size(); ++i) EXPECT_EQ(log[i].rfind("Ended with exit code", 0), 0u);
}

TEST_F(VlcDefaultCommandTest, ExecuteInstallsAMissingBridgeAndConnectTakesSlides) {
  // A program with the bridge beside it (as a build tree has it) and a
  // user whose VLC folder holds none: Execute's bridge step, then the
  // start, then Connect, with no other step.
  namespace fs = std::filesystem;
  const fs::path repo = fs::path(STANZO_VLC_HARNESS).parent_path().parent_path().parent_path();
  const std::string exeDir = work_ + "/exec/program/";
  const std::string home = work_ + "/exec/home";
  const std::string dataHome = home + "/.local/share";
  fs::create_directories(exeDir + "vlc");
  fs::create_directories(home);
  fs::copy_file(repo / "vlc/intf/stanzo_bridge.lua", exeDir + "vlc/stanzo_bridge.lua");
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string before = saved != nullptr ? saved : "";
  setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  const BridgeInstall got = InstallBridgeForVlc(platform::Env::Default(), exeDir);
  if (saved != nullptr) {
    setenv("XDG_DATA_HOME", before.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
  // With the package installed here, VLC takes its copy for every user.
  const bool packaged =
      fs::exists(platform::Env::Default().system.SystemVlcLuaIntfDir() + kBridgeFileName);
  EXPECT_EQ(got, packaged ? BridgeInstall::UpToDate : BridgeInstall::Installed);
  EXPECT_EQ(fs::exists(dataHome + "/vlc/lua/intf/" + kBridgeFileName), !packaged);
  if (geteuid() == 0) {
    ASSERT_EQ(std::system(("chown -R 65534:65534 " + QuoteWord(home)).c_str()), 0);
  }

  const int port = FreeLoopbackPort();
  int cliPort = FreeLoopbackPort();
  while (cliPort == port) cliPort = FreeLoopbackPort();
  std::vector<std::string> args;
  for (const auto& a : args_) {
    if (a.rfind("--cli-host=", 0) != 0 && a.rfind("--lua-config=", 0) != 0) args.push_back(a);
  }
  args.push_back("--lua-config=stanzo_bridge={host='127.0.0.1:" + std::to_string(port) +
                 "'},cli={host='127.0.0.1:" + std::to_string(cliPort) + "'}");
  std::string vlc = "timeout 60 ";
  if (geteuid() == 0) vlc += "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  vlc += "env -i PATH=/usr/bin:/bin " + QuoteWord("HOME=" + home) + " " +
         QuoteWord("XDG_DATA_HOME=" + dataHome) + " " +
         QuoteWord("XDG_RUNTIME_DIR=" + work_ + "/vlc/run") + " /usr/bin/vlc";
  for (const auto& a : args) vlc += " " + QuoteWord(a);
  std::vector<std::string> log;
  ProgramStarter starter([&](const std::string& t) { log.push_back(t); }, platform::Env::Default());
  starter.Execute(vlc);

  LineClient c;
  ASSERT_TRUE(c.Connect(port, kStart)) << ::testing::PrintToString(log);
  ASSERT_TRUE(c.ReadUntilEndsWith("> ", kReply));
  c.Take();
  // The bridge's answer: a marquee command that took effect.
  EXPECT_EQ(SendAll(c, {"@m1 marq-marquee Execute found its bridge", "@m4 marq-size 3"}),
            "> Unknown marquee `m4'. Known: m1, m2, m3.\r\n> ");
  starter.Tick();
  EXPECT_EQ(log, std::vector<std::string>{});
  c.SendLine("shutdown");
}

}  // namespace
}  // namespace stanzo::vlctest

int main(int argc, char** argv) {
  // Debug messages in VLC's log: the bridge logs there the overlays it sets.
  setenv("VLC_VERBOSE", "2", 0);
  // Before any thread exists: a private network for the fixed ports.
  // STANZO_VLC_SHARED_NETWORK=1 keeps the machine's network (free ports).
  stanzo::vlctest::g_privateNetwork =
      !std::getenv("STANZO_VLC_SHARED_NETWORK") && stanzo::vlctest::EnterPrivateNetwork();
  std::printf("network: %s\n", stanzo::vlctest::g_privateNetwork
                                   ? "private namespace, default ports 2323/2324"
                                   : "shared, free ports");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
