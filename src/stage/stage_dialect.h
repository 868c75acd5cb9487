// The rc dialect of the rehearsal stage: the greeting, the prompt, the
// marquee commands for the instances m1, m2 and m3, and the answers to
// everything else, exactly as the player's command-line interface words
// them where the console could ever see a difference.
//
// The marquee commands follow one rule book with the VLC bridge
// (vlc/README.md): the same variables, ranges, longest line, control-byte
// and UTF-8 rules, and the same error words. tests/data/overlay_cases.txt
// holds the cases both tests run; change a rule there and in both places.
//
// Pure and single-threaded: the server feeds it one complete line at a time
// (line feed removed) together with a monotonic clock reading in
// milliseconds, and sends the returned reply to the client that wrote the
// line. All clients share one Dialect, as they share one player.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace stanzo::stage {

// Sent once to each new client, before anything else.
inline constexpr char kGreeting[] =
    "VLC media player 3.0.24 Vetinari\n"
    "Command Line Interface initialized. Type `help' for help.\r\n> ";
// Ends every reply, also the reply of a command that has nothing to say.
inline constexpr char kPrompt[] = "> ";

inline constexpr int kMarqueeCount = 3;  // m1, m2, m3

// Longest accepted line, in bytes, not counting its line feed (a CR before
// it counts).
inline constexpr std::size_t kMaxLineBytes = 32 * 1024;

// One marquee overlay, with the player's defaults.
struct Marquee {
  // Display text: "$_" already turned into '\n', tabs into blanks. Valid
  // UTF-8 without control bytes: other lines are refused.
  std::string text;
  int position = -1;               // <0: free placement by x/y; else bit set, see stage_layout.h
  int size = 0;                    // font size in pixels of a 1280x720 frame; 0 = default
  std::uint32_t color = 0xFFFFFF;  // 0xRRGGBB
  int opacity = 255;               // 0 transparent .. 255 opaque
  int x = 0;                       // offsets in pixels of a 1280x720 frame
  int y = 0;
  std::int64_t timeout_ms = 0;  // 0 = shown until changed
  int refresh_ms = 1000;        // accepted and kept; has no visible effect here
  // Clock reading when the text or the timeout was last set; a timeout
  // counts from here.
  std::int64_t shown_at_ms = 0;
};

// Whether `m` has anything to show at `now_ms`.
bool IsVisible(const Marquee& m, std::int64_t now_ms);

// When `m` will disappear by its timeout, if it is visible and has one.
std::optional<std::int64_t> ExpiresAt(const Marquee& m);

// The display text of a raw marquee argument: every "$_" (scanned left to
// right, not overlapping) becomes '\n'; a tab becomes a blank; every other
// byte below 0x20 and 0x7F is dropped.
std::string ExpandMarqueeText(std::string_view raw);

struct FeedResult {
  // Bytes for the client: zero or more lines, each ended by "\r\n", then
  // the prompt "> ".
  std::string reply;
  // Index (0..2) of the marquee whose appearance may have changed, or -1.
  int changed = -1;
};

class Dialect {
 public:
  // Executes one line. One trailing CR is stripped first. Never throws for
  // any input; rejected lines leave the state alone and say why. Blanks
  // are spaces and tabs.
  //
  // - A line holding a control byte (below 0x20, or 0x7F) other than a tab
  //   is refused whole: "The line holds control characters; ignored."
  // - Empty or blank line: just the prompt.
  // - "@mN marq-VAR VALUE" (N = 1..3; VAR one of marquee, position, size,
  //   color, opacity, x, y, refresh, timeout), blanks before "@" allowed:
  //   sets the variable, replies with just the prompt. For marq-marquee the
  //   text is everything after the command with the blanks before it
  //   skipped; none means an empty text, which clears the overlay. It must
  //   be valid UTF-8. Numbers are decimal or 0x-hexadecimal with an
  //   optional sign (leading zeros are decimal), blanks around them
  //   ignored, and must lie in the variable's range.
  // - "@" with another instance, another command or a bad value: one error
  //   line naming the problem; quoted input in it is cut to 40 bytes (at a
  //   character boundary, then "...").
  // - Anything else: "Unknown command `WORD'. Type `help' for help." with
  //   WORD the first blank-separated word, cut to 256 bytes.
  FeedResult Feed(std::string_view line, std::int64_t now_ms);

  // The reply to a line longer than kMaxLineBytes, which is not executed.
  static std::string TooLongReply();

  // index 0..2 for m1..m3.
  const Marquee& marquee(int index) const { return marquees_.at(index); }

 private:
  std::array<Marquee, kMarqueeCount> marquees_;
};

// Splits one client's byte stream into lines at LF. Lines longer than the
// cap are reported once, as soon as the cap is passed, and the rest of them
// up to the next LF is dropped, so memory stays bounded by the cap. Bytes
// after the last LF stay pending; they are simply lost if the client goes.
class LineAssembler {
 public:
  struct Event {
    bool too_long = false;  // true: a line passed the cap; `line` is empty
    std::string line;       // the line without its LF (a CR is kept)
  };

  explicit LineAssembler(std::size_t max_line_bytes = kMaxLineBytes)
      : max_line_bytes_(max_line_bytes) {}

  // Appends the events for `bytes` to `out`.
  void Feed(std::string_view bytes, std::vector<Event>* out);

  std::size_t pending_bytes() const { return partial_.size(); }

 private:
  std::size_t max_line_bytes_;
  std::string partial_;
  bool discarding_ = false;  // inside an over-long line, until its LF
};

}  // namespace stanzo::stage
