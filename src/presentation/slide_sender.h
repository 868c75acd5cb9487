// The slide sender: turns the live queue into overlay commands.
//
// Each SendSlide sends the selected queue line by its form and moves the
// selection on: "@..." raw command, "{INIT}mask" init re-run, otherwise a
// text line (main overlay gets the line, preview overlay the next text
// line). A trailing "\" blanks a text line's overlays and makes the next
// line follow at once. Chains are followed iteratively, re-reading the
// selection at each step, because sends run pending events.
// A send failure propagates and leaves the selection where it was.
//
// Events during a send: a selection the operator changed while a line was
// being sent is kept (not overwritten by the advance) as the next line to
// send, and a chain stops there. A slide or back press that arrives while a slide is being sent
// is ignored: the press in progress is the one the operator sees through.
// Threading: GUI thread only; `send` and `runInit` may re-enter this object.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "presentation/lyric_queue.h"

namespace stanzo {

constexpr size_t kMaxMaskLength = 999;
constexpr size_t kMaxPreviewLength = 999;

// The preview for the text line at `index`: the next queue line that is
// neither a raw command nor an init re-run, with every "$_" removed, cut to
// 999 bytes (never inside a UTF-8 character) and without a trailing "\".
// Empty when there is none.
std::string PreviewAfter(const LineSource& queue, int index);

class SlideSender {
 public:
  using RunInitFn = std::function<void(const std::string& mask)>;
  SlideSender(LyricQueue& queue, SendFn send, RunInitFn runInit);

  void SendSlide();
  // Moves the selection up past lines ending in "\" to the start of the
  // previous slide.
  void StepBackOneSlide();
  // The back button and keypad 0: two steps back, then send.
  void SlideBack();

 private:
  LyricQueue& queue_;
  SendFn send_;
  RunInitFn runInit_;
  bool busy_ = false;  // a SendSlide is in progress
};

}  // namespace stanzo
