#include "presentation/slide_sender.h"

#include <string_view>

#include "base/utf8.h"
#include "link/vlc_commands.h"
#include "text/ascii.h"

namespace stanzo {
namespace {

constexpr std::string_view kInitPrefix = "{INIT}";

bool EndsWithBackslash(const std::string& line) {
  return !line.empty() && line.back() == '\\';
}

// Raw commands and init re-runs are never shown, so the preview skips them.
bool IsCommandLine(const std::string& line) {
  return (!line.empty() && line.front() == '@') || StartsWithFolded(line, kInitPrefix);
}

std::string WithoutLineBreaks(const std::string& s) {
  const std::string_view mark = vlc::kLineBreak;
  std::string out;
  out.reserve(s.size());
  size_t from = 0;
  for (size_t at; (at = s.find(mark, from)) != std::string::npos; from = at + mark.size())
    out.append(s, from, at - from);
  out.append(s, from, std::string::npos);
  return out;
}

}  // namespace

std::string PreviewAfter(const LineSource& queue, int index) {
  for (int j = index + 1; j < queue.Count(); ++j) {
    const std::string item = queue.Line(j);
    if (IsCommandLine(item)) continue;
    // The first text line ends the search even when it is empty: an empty
    // line is a valid (blank) preview.
    std::string preview = std::string(CutUtf8(WithoutLineBreaks(item), kMaxPreviewLength));
    if (EndsWithBackslash(preview)) preview.pop_back();
    return preview;
  }
  return {};
}

SlideSender::SlideSender(LyricQueue& queue, SendFn send, RunInitFn runInit)
    : queue_(queue), send_(std::move(send)), runInit_(std::move(runInit)) {}

void SlideSender::SendSlide() {
  if (busy_) return;
  busy_ = true;
  struct Release {
    bool& flag;
    ~Release() { flag = false; }
  } release{busy_};

  // One pass per line of a chain. A loop, not recursion: a script may hold
  // any number of continuation lines in a row.
  for (;;) {
    // Re-read every time: the sends below run pending events, and the
    // operator may have selected another line meanwhile.
    const int i = queue_.Selected();
    if (i < 0 || i >= queue_.Count()) return;
    std::string line = queue_.Line(i);
    const bool cont = EndsWithBackslash(line);
    if (cont) line.pop_back();

    if (!line.empty() && line.front() == '@') {
      send_(line);
    } else if (StartsWithFolded(line, kInitPrefix)) {
      const std::string_view rest = std::string_view(line).substr(kInitPrefix.size());
      runInit_(std::string(CutUtf8(rest, kMaxMaskLength)));
    } else {
      // A continuation text line blanks both overlays whatever follows, so
      // its preview is never looked for.
      std::string preview = cont ? std::string() : PreviewAfter(queue_, i);
      if (line.empty() || cont) line = vlc::kBlank;
      if (preview.empty() || cont) preview = vlc::kBlank;
      send_(vlc::MainMarquee(line));
      send_(vlc::PreviewMarquee(preview));
    }

    // Only after every send succeeded: a failure above propagates and the
    // same line goes out again on the next press.
    // The operator moved the selection while the sends ran events. Theirs
    // is the later choice: keep it as the next line to send, and end a
    // chain here rather than put a line on screen nobody pressed for.
    if (queue_.Selected() != i) return;
    // Past the last line this clears the selection.
    queue_.Select(i + 1);
    if (!cont || i >= queue_.Count() - 1) return;
  }
}

void SlideSender::StepBackOneSlide() {
  for (;;) {
    const int i = queue_.Selected();
    if (i <= 0) return;
    queue_.Select(i - 1);
    if (i - 1 >= queue_.Count() || !EndsWithBackslash(queue_.Line(i - 1))) return;
  }
}

void SlideSender::SlideBack() {
  if (busy_) return;
  StepBackOneSlide();
  StepBackOneSlide();
  SendSlide();
}

}  // namespace stanzo
